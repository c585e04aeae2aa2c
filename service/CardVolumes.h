#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class EjectService;
class ImportService;
class VolumeService;

// Follows the volumes mounted and unmounted for the import service: whatever card the worker knew
// at a volume that changes is forgotten, and a volume holding a camera card's marker is kept in the
// card registry from its mount to its unmount, so that a card batch can eject it afterwards. The
// volumes mounted already count as mounted now.
class CardVolumes : public QObject
{
    Q_OBJECT

public:
    CardVolumes(ImportService& service, std::unique_ptr<VolumeService> volumes,
                std::unique_ptr<EjectService> eject, QObject* parent = nullptr);
    ~CardVolumes() override;

    // Unmounts and ejects the mounted camera volumes that hold the card folders (EjectChoice).
    void ejectMedia(const QStringList& cardFolders);

private:
    void didMount(const QString& mountPath);
    void didUnmount(const QString& mountPath);

    ImportService& m_service;
    std::unique_ptr<VolumeService> m_volumes;
    std::unique_ptr<EjectService> m_eject;
};
