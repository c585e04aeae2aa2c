#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// Tells when volumes are mounted and unmounted. The mount point stands for the device path of the
// notification; notifications come on the thread that made the service.
class VolumeService : public QObject
{
    Q_OBJECT
public:
    ~VolumeService() override = default;

    // The folder under which removable volumes are mounted: $TREVASEL_VOLUMES_ROOT when set, else
    // /media/$USER when it exists, else /run/media/$USER when it exists, else /media/$USER (where
    // udisks on Debian makes it at the first mount). It need not exist yet.
    static QString volumesFolder();
    // The folders to watch for volumes: $TREVASEL_VOLUMES_ROOT alone when set, else both
    // /media/$USER and /run/media/$USER, since which one udisks uses depends on how the system
    // built it and neither need exist before the first mount.
    static QStringList volumesFolders();

    // The mount points known now.
    virtual QStringList mountedVolumes() const = 0;

    // The operating system's service. With $TREVASEL_VOLUMES_ROOT set (tests), a folder that
    // appears directly in that folder (made or renamed there, hidden ones aside) counts as a mounted
    // volume and one that goes counts as unmounted, so a card folder dropped there behaves like a
    // card put in; real mounts are not reported then. Otherwise every mount and unmount of the
    // system's mount table is reported.
    static std::unique_ptr<VolumeService> createSystemService();

Q_SIGNALS:
    void volumeMounted(const QString& mountPoint);
    void volumeUnmounted(const QString& mountPoint);

protected:
    VolumeService() = default;
};
