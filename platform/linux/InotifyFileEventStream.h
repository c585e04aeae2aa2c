#pragma once

#include "platform/FileEventStream.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/UniqueFd.h"

#include <QHash>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <memory>

class MountTableWatcher;
class QSocketNotifier;

// A file-system event stream on Linux: one inotify watch on every folder below the watched paths,
// added as folders appear. A folder that appeared already holding entries (created before its watch
// could be added) is reported itself as changed, so nothing that landed in it meanwhile goes unseen.
//
// A watched path that does not exist yet, or that disappears, is waited for by a watch on its nearest
// existing parent and followed from the moment it appears, when it is reported as changed.
//
// A mount or unmount at or below a watched path is a change too: the folder that holds the mount
// point (or the watched path itself) is reported, and the folders below it are watched afresh, since
// a mount hides the folder the earlier watches were on.
class InotifyFileEventStream : public FileEventStream
{
    Q_OBJECT
public:
    InotifyFileEventStream(const QStringList& paths, quint64 sinceEventId, std::chrono::milliseconds latency,
                           Callback callback);
    ~InotifyFileEventStream() override;

private:
    void stopWatching() override;
    void addChanged(const QStringList& folders) override;
    void readEvents();
    void handleEvent(int watch, quint32 mask, const QString& name);
    void handleMountChange(const MountTable::Change& change);
    // Watches the folder and every folder below it; reports those that hold entries when reportFilled.
    void watchTree(const QString& folder, bool reportFilled);
    void unwatchTree(const QString& folder);
    // Starts following watched paths that appeared and waits again for those that vanished.
    void refreshRoots();
    int addWatch(const QString& folder, bool followLink);
    void removeWatch(int watch);
    bool isInTree(const QString& path) const;
    void noteChanged(const QString& folder);
    void flush();
    void logFailureOnce(const QString& folder, int error);

    std::chrono::milliseconds m_latency;
    UniqueFd m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<MountTableWatcher> m_mounts;
    QTimer m_timer;
    QStringList m_roots;           // cleaned watched paths
    QSet<QString> m_presentRoots;  // roots whose folder trees are watched
    QSet<QString> m_parentWatches; // nearest existing parents of missing roots
    QHash<int, QString> m_folderOfWatch;
    QHash<QString, int> m_watchOfFolder;
    QStringList m_pending;
    QSet<QString> m_pendingSet;
    bool m_failureLogged = false;
};
