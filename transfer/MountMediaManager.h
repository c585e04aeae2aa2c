#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The mounted camera volumes, by mount path, from their mount until their unmount, so that a card
// can be ejected after its import. One registry for the process, used on the window thread only.
class MountMediaManager
{
public:
    static MountMediaManager& sharedInstance();

    void setMedia(const QString& path) { setMedia(path, path); }
    void setMedia(const QString& path, const QString& name) { m_mediaDictionary.insert(path, name); }
    void removeMedia(const QString& path) { m_mediaDictionary.remove(path); }
    QStringList getMediaArray() const { return m_mediaDictionary.values(); }
    void clear() { m_mediaDictionary.clear(); }

private:
    MountMediaManager() = default;
    QHash<QString, QString> m_mediaDictionary;
};
