#include "transfer/ORVSDManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

std::optional<QDateTime> modificationDate(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    const QDateTime date = info.lastModified();
    return date.isValid() ? std::optional<QDateTime>(date) : std::nullopt;
}

} // namespace

ORVSDManager& ORVSDManager::sharedInstance()
{
    static ORVSDManager instance; // made once, thread-safe, never freed before exit
    return instance;
}

bool ORVSDManager::checkUpdate(const QString& markerPath) const
{
    const auto date = modificationDate(markerPath);
    if (!date)
        return false;
    const auto stored = m_targetDictionary.constFind(markerPath);
    return stored == m_targetDictionary.constEnd() || *date > *stored;
}

void ORVSDManager::setTarget(const QString& markerPath)
{
    if (const auto date = modificationDate(markerPath))
        m_targetDictionary.insert(markerPath, *date);
}

void ORVSDManager::setTarget(const QString& markerPath, const QDateTime& timestamp)
{
    m_targetDictionary.insert(markerPath, timestamp);
}

void ORVSDManager::modifyTimestamp(const QString& markerPath, const QDateTime& timestamp)
{
    QFile marker(markerPath);
    // A card pulled out meanwhile simply keeps its old date.
    if (marker.open(QIODevice::ReadWrite))
        marker.setFileTime(timestamp, QFileDevice::FileModificationTime);
    setTarget(markerPath, timestamp);
}

bool ORVSDManager::checkUnmount(const QString& markerPath) const
{
    for (const QString& folder : m_volumesFolders) {
        const QString prefix = QDir::cleanPath(folder) + QLatin1Char('/');
        if (!markerPath.startsWith(prefix))
            continue;
        const qsizetype end = markerPath.indexOf(QLatin1Char('/'), prefix.size());
        const QString volume = end < 0 ? markerPath : markerPath.left(end);
        return !QFileInfo(volume).isDir();
    }
    return false;
}

void ORVSDManager::removeUnmountTarget()
{
    QStringList gone;
    for (auto it = m_targetDictionary.constBegin(); it != m_targetDictionary.constEnd(); ++it)
        if (checkUnmount(it.key()))
            gone << it.key();
    for (const QString& path : gone)
        m_targetDictionary.remove(path);
}

void ORVSDManager::forgetVolume(const QString& volumeFolder)
{
    const QString prefix = QDir::cleanPath(volumeFolder) + QLatin1Char('/');
    m_targetDictionary.removeIf([&prefix](const auto& entry) { return entry.key().startsWith(prefix); });
}
