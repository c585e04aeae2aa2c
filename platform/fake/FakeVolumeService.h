#pragma once

#include "platform/VolumeService.h"

// Volumes that a test mounts and unmounts by hand.
class FakeVolumeService : public VolumeService
{
    Q_OBJECT
public:
    QStringList mountedVolumes() const override { return m_mounted; }

    void mount(const QString& mountPoint);
    void unmount(const QString& mountPoint);

private:
    QStringList m_mounted;
};
