#pragma once

#include "platform/EjectService.h"

// Records the mount points it was asked to eject, in order.
class FakeEjectService : public EjectService
{
public:
    void unmountAndEject(const QString& mountPoint) override { m_ejected.append(mountPoint); }
    const QStringList& ejected() const { return m_ejected; }

private:
    QStringList m_ejected;
};
