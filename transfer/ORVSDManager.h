#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

// The camera cards already handled or seen, by the path of their "ORV_SD" marker and the marker's
// modification date then. The camera changes that date when it writes, so a later date means new
// shots. One registry for the process, used by the import service's worker only.
class ORVSDManager
{
public:
    static ORVSDManager& sharedInstance();

    // The folders that volumes are mounted in ("/Volumes" on other systems).
    void setVolumesFolders(const QStringList& folders) { m_volumesFolders = folders; }

    // False when the marker's date cannot be read; true when the card is unknown or its marker is
    // newer than the date stored for it.
    bool checkUpdate(const QString& markerPath) const;
    // Stores the marker's current date.
    void setTarget(const QString& markerPath);
    void setTarget(const QString& markerPath, const QDateTime& timestamp);
    // Sets the marker's date on the card (errors ignored) and stores the same date.
    void modifyTimestamp(const QString& markerPath, const QDateTime& timestamp);
    // True when the card of the marker is gone: its volume folder no longer exists as a folder.
    // A path outside the volumes folders gives false.
    bool checkUnmount(const QString& markerPath) const;
    // Forgets every card that is gone.
    void removeUnmountTarget();
    // Forgets the card of the volume: it was unmounted, or a card was mounted there, which is always
    // a card to look at afresh (cards formatted by one camera share their volume name, so another
    // card often comes to the same path).
    void forgetVolume(const QString& volumeFolder);

    const QHash<QString, QDateTime>& targetDictionary() const { return m_targetDictionary; }
    void clear() { m_targetDictionary.clear(); }

private:
    ORVSDManager() = default;

    QHash<QString, QDateTime> m_targetDictionary;
    QStringList m_volumesFolders;
};
