#pragma once

#include "platform/VolumeService.h"
#include "platform/linux/MountTable.h"

#include <QSet>

#include <memory>

class FileEventStream;
class MountTableWatcher;

// Mounts and unmounts read from the process's mount table.
class MountTableVolumeService : public VolumeService
{
    Q_OBJECT
public:
    MountTableVolumeService();
    ~MountTableVolumeService() override;

    QStringList mountedVolumes() const override;

private:
    void report(const MountTable::Change& change);

    std::unique_ptr<MountTableWatcher> m_watcher;
};

// The stand-in for tests: every folder directly in the volumes folder is a mounted volume.
class VolumesFolderVolumeService : public VolumeService
{
    Q_OBJECT
public:
    explicit VolumesFolderVolumeService(const QString& volumesFolder);
    ~VolumesFolderVolumeService() override;

    QStringList mountedVolumes() const override;

private:
    QSet<QString> currentFolders() const;
    void compare();

    QString m_volumesFolder;
    QSet<QString> m_folders;
    std::unique_ptr<FileEventStream> m_stream;
};
