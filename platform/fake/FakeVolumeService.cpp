#include "platform/fake/FakeVolumeService.h"

void FakeVolumeService::mount(const QString& mountPoint)
{
    m_mounted.append(mountPoint);
    Q_EMIT volumeMounted(mountPoint);
}

void FakeVolumeService::unmount(const QString& mountPoint)
{
    m_mounted.removeOne(mountPoint);
    Q_EMIT volumeUnmounted(mountPoint);
}
