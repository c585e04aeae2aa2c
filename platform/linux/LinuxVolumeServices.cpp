#include "platform/linux/LinuxVolumeServices.h"

#include "platform/linux/InotifyFileEventStream.h"
#include "platform/linux/MountTableWatcher.h"

#include <QDir>

#include <algorithm>

MountTableVolumeService::MountTableVolumeService() : m_watcher(std::make_unique<MountTableWatcher>())
{
    connect(m_watcher.get(), &MountTableWatcher::changed, this, &MountTableVolumeService::report);
}

MountTableVolumeService::~MountTableVolumeService() = default;

QStringList MountTableVolumeService::mountedVolumes() const
{
    QStringList mountPoints;
    for (const MountTable::Mount& mount : MountTable::parse(m_watcher->table()))
        mountPoints.append(mount.mountPoint);
    return mountPoints;
}

void MountTableVolumeService::report(const MountTable::Change& change)
{
    for (const QString& mountPoint : change.unmounted)
        Q_EMIT volumeUnmounted(mountPoint);
    for (const QString& mountPoint : change.mounted)
        Q_EMIT volumeMounted(mountPoint);
}

VolumesFolderVolumeService::VolumesFolderVolumeService(const QString& volumesFolder)
    : m_volumesFolder(QDir::cleanPath(volumesFolder)), m_folders(currentFolders())
{
    // No latency: a volume is to be known before the card source, with its own latency, looks.
    m_stream = std::make_unique<InotifyFileEventStream>(QStringList{m_volumesFolder}, 0,
                                                        std::chrono::milliseconds(0),
                                                        [this](const FileEventBatch&) { compare(); });
}

VolumesFolderVolumeService::~VolumesFolderVolumeService() = default;

QStringList VolumesFolderVolumeService::mountedVolumes() const
{
    QStringList folders(m_folders.cbegin(), m_folders.cend());
    std::sort(folders.begin(), folders.end());
    return folders;
}

QSet<QString> VolumesFolderVolumeService::currentFolders() const
{
    QSet<QString> folders;
    const QDir root(m_volumesFolder);
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders.insert(root.filePath(name));
    return folders;
}

void VolumesFolderVolumeService::compare()
{
    const QSet<QString> now = currentFolders();
    QStringList gone(m_folders.cbegin(), m_folders.cend());
    gone.removeIf([&now](const QString& folder) { return now.contains(folder); });
    QStringList added(now.cbegin(), now.cend());
    added.removeIf([this](const QString& folder) { return m_folders.contains(folder); });
    std::sort(gone.begin(), gone.end());
    std::sort(added.begin(), added.end());
    m_folders = now;
    for (const QString& folder : std::as_const(gone))
        Q_EMIT volumeUnmounted(folder);
    for (const QString& folder : std::as_const(added))
        Q_EMIT volumeMounted(folder);
}

std::unique_ptr<VolumeService> VolumeService::createSystemService()
{
    if (!qEnvironmentVariableIsEmpty("TREVASEL_VOLUMES_ROOT"))
        return std::make_unique<VolumesFolderVolumeService>(volumesFolder());
    return std::make_unique<MountTableVolumeService>();
}
