#include "service/CardVolumes.h"

#include "platform/EjectService.h"
#include "platform/Logger.h"
#include "platform/VolumeService.h"
#include "service/EjectChoice.h"
#include "transfer/ImportService.h"
#include "transfer/MountMediaManager.h"

#include <QFileInfo>

CardVolumes::CardVolumes(ImportService& service, std::unique_ptr<VolumeService> volumes,
                         std::unique_ptr<EjectService> eject, QObject* parent)
    : QObject(parent), m_service(service), m_volumes(std::move(volumes)), m_eject(std::move(eject))
{
    for (const QString& mounted : m_volumes->mountedVolumes())
        didMount(mounted);
    connect(m_volumes.get(), &VolumeService::volumeMounted, this, &CardVolumes::didMount);
    connect(m_volumes.get(), &VolumeService::volumeUnmounted, this, &CardVolumes::didUnmount);
}

CardVolumes::~CardVolumes() = default;

void CardVolumes::ejectMedia(const QStringList& cardFolders)
{
    if (!m_eject)
        return;
    for (const QString& medium :
         EjectChoice::mediaToEject(cardFolders, MountMediaManager::sharedInstance().getMediaArray())) {
        Logger::info(QStringLiteral("ejecting %1").arg(medium));
        m_eject->unmountAndEject(medium);
    }
}

void CardVolumes::didMount(const QString& mountPath)
{
    Logger::info(QStringLiteral("volume mounted: %1").arg(mountPath));
    m_service.volumeChanged(mountPath);
    const QFileInfo marker(mountPath + QStringLiteral("/ORV_SD"));
    if (marker.exists() && marker.isFile())
        MountMediaManager::sharedInstance().setMedia(mountPath);
}

void CardVolumes::didUnmount(const QString& mountPath)
{
    Logger::info(QStringLiteral("volume unmounted: %1").arg(mountPath));
    m_service.volumeChanged(mountPath);
    MountMediaManager::sharedInstance().removeMedia(mountPath);
}
