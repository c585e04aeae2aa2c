#include "platform/linux/InotifyFileEventStream.h"

#include "platform/Logger.h"
#include "platform/linux/MountTableWatcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>

namespace {

// Everything that changes a folder's entries or a file's content or times. The watch's own deletion
// and move matter for watched paths that vanish.
constexpr quint32 kEvents = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_MOVED_FROM |
                            IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_EXCL_UNLINK | IN_ONLYDIR;

QStringList cleaned(const QStringList& paths)
{
    QStringList result;
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        const QString clean =
            QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
        if (!result.contains(clean))
            result.append(clean);
    }
    return result;
}

bool isAtOrBelow(const QString& path, const QString& folder)
{
    if (path == folder)
        return true;
    return folder.endsWith(QLatin1Char('/'))
               ? path.startsWith(folder)
               : path.startsWith(folder) && path.at(folder.size()) == QLatin1Char('/');
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString nearestExistingParent(const QString& path)
{
    QString folder = parentOf(path);
    while (folder != QStringLiteral("/") && !QFileInfo(folder).isDir())
        folder = parentOf(folder);
    return folder;
}

} // namespace

InotifyFileEventStream::InotifyFileEventStream(const QStringList& paths, quint64 sinceEventId,
                                               std::chrono::milliseconds latency, Callback callback)
    : FileEventStream(cleaned(paths), sinceEventId, std::move(callback)), m_latency(latency),
      m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_roots(watchedPaths())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &InotifyFileEventStream::flush);
    if (!m_fd.valid()) {
        Logger::info(QStringLiteral("file events cannot be watched: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_fd.get(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &InotifyFileEventStream::readEvents);
    m_mounts = std::make_unique<MountTableWatcher>();
    connect(m_mounts.get(), &MountTableWatcher::changed, this, &InotifyFileEventStream::handleMountChange);

    for (const QString& root : std::as_const(m_roots)) {
        if (QFileInfo(root).isDir()) {
            watchTree(root, false);
            if (m_watchOfFolder.contains(root))
                m_presentRoots.insert(root);
        }
    }
    refreshRoots();
    // Only changes from now on count; the present roots are not news.
    m_pending.clear();
    m_pendingSet.clear();
    m_timer.stop();
}

InotifyFileEventStream::~InotifyFileEventStream()
{
    stopWatching();
}

void InotifyFileEventStream::stopWatching()
{
    m_timer.stop();
    m_notifier.reset();
    m_mounts.reset();
    m_fd = UniqueFd(); // closing the descriptor removes every watch
    m_folderOfWatch.clear();
    m_watchOfFolder.clear();
    m_pending.clear();
    m_pendingSet.clear();
}

void InotifyFileEventStream::addChanged(const QStringList& folders)
{
    for (const QString& folder : folders)
        noteChanged(folder);
}

void InotifyFileEventStream::readEvents()
{
    alignas(inotify_event) char buffer[64 * 1024];
    while (m_fd.valid()) {
        const ssize_t length = ::read(m_fd.get(), buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            return; // EAGAIN: all read
        for (ssize_t offset = 0; offset + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            const QString name = event->len > 0 ? QFile::decodeName(QByteArray(event->name)) : QString();
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            handleEvent(event->wd, event->mask, name);
        }
    }
}

void InotifyFileEventStream::handleEvent(int watch, quint32 mask, const QString& name)
{
    if (mask & IN_Q_OVERFLOW) {
        // Events were lost: watch every tree afresh and count every watched path as changed.
        for (const QString& root : std::as_const(m_roots)) {
            if (m_presentRoots.contains(root)) {
                watchTree(root, false);
                noteChanged(root);
            }
        }
        refreshRoots();
        return;
    }
    const auto found = m_folderOfWatch.constFind(watch);
    if (found == m_folderOfWatch.constEnd())
        return; // a watch removed meanwhile
    const QString folder = *found;

    if (mask & IN_IGNORED) {
        // The folder is gone (or its watch was removed); a vanished root is waited for again.
        m_folderOfWatch.remove(watch);
        if (m_watchOfFolder.value(folder, -1) == watch)
            m_watchOfFolder.remove(folder);
        if (m_presentRoots.remove(folder))
            unwatchTree(folder);
        m_parentWatches.remove(folder);
        refreshRoots();
        return;
    }
    if (mask & IN_MOVE_SELF) {
        // The watch follows the moved folder, which is no longer at its path.
        if (m_presentRoots.remove(folder)) {
            unwatchTree(folder);
            refreshRoots();
        } else if (m_parentWatches.remove(folder)) {
            if (!isInTree(folder))
                removeWatch(watch);
            refreshRoots();
        }
        return;
    }
    if (mask & IN_DELETE_SELF)
        return; // its IN_IGNORED follows

    const bool folderAppeared = (mask & IN_ISDIR) && (mask & (IN_CREATE | IN_MOVED_TO));
    if (!isInTree(folder)) {
        // A parent of a missing root: only a folder that appears can bring the root.
        if (folderAppeared)
            refreshRoots();
        return;
    }
    const QString child = joined(folder, name);
    if (folderAppeared)
        watchTree(child, true);
    else if ((mask & IN_ISDIR) && (mask & IN_MOVED_FROM))
        unwatchTree(child);
    noteChanged(folder);
    if (folderAppeared && !m_parentWatches.isEmpty())
        refreshRoots(); // a missing root may lie inside another watched tree
}

void InotifyFileEventStream::handleMountChange(const MountTable::Change& change)
{
    for (const QString& mountPoint : change.mounted + change.unmounted) {
        for (const QString& root : std::as_const(m_roots)) {
            if (isAtOrBelow(root, mountPoint)) {
                // The watched path itself now shows another file system (or the one below it).
                m_presentRoots.remove(root);
                unwatchTree(root);
                refreshRoots();
                noteChanged(root);
            } else if (isAtOrBelow(mountPoint, root)) {
                unwatchTree(mountPoint);
                if (m_presentRoots.contains(root) && QFileInfo(mountPoint).isDir() &&
                    isInTree(parentOf(mountPoint)))
                    watchTree(mountPoint, false);
                noteChanged(parentOf(mountPoint));
            }
        }
    }
}

void InotifyFileEventStream::watchTree(const QString& folder, bool reportFilled)
{
    QStringList stack{folder};
    while (!stack.isEmpty()) {
        const QString current = stack.takeLast();
        if (addWatch(current, m_roots.contains(current)) < 0)
            continue;
        const QStringList children =
            QDir(current).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
        if (reportFilled &&
            !QDir(current).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            noteChanged(current);
        for (const QString& name : children)
            stack.append(joined(current, name));
    }
}

void InotifyFileEventStream::unwatchTree(const QString& folder)
{
    QList<int> watches;
    for (auto it = m_watchOfFolder.constBegin(); it != m_watchOfFolder.constEnd(); ++it) {
        if (isAtOrBelow(it.key(), folder) && !m_parentWatches.contains(it.key()))
            watches.append(it.value());
    }
    for (const int watch : std::as_const(watches))
        removeWatch(watch);
}

void InotifyFileEventStream::refreshRoots()
{
    if (!m_fd.valid())
        return;
    QSet<QString> parents;
    for (const QString& root : std::as_const(m_roots)) {
        if (m_presentRoots.contains(root))
            continue;
        if (QFileInfo(root).isDir()) {
            watchTree(root, false);
            if (m_watchOfFolder.contains(root)) {
                m_presentRoots.insert(root);
                noteChanged(root);
                continue;
            }
        }
        parents.insert(nearestExistingParent(root));
    }
    // Wait on the new parents first, then let go of those no longer needed.
    for (const QString& parent : std::as_const(parents)) {
        if (!m_parentWatches.contains(parent) && addWatch(parent, true) >= 0)
            m_parentWatches.insert(parent);
    }
    const QSet<QString> unneeded = m_parentWatches - parents;
    for (const QString& parent : unneeded) {
        m_parentWatches.remove(parent);
        if (!isInTree(parent))
            removeWatch(m_watchOfFolder.value(parent, -1));
    }
}

int InotifyFileEventStream::addWatch(const QString& folder, bool followLink)
{
    const int watch = ::inotify_add_watch(m_fd.get(), QFile::encodeName(folder).constData(),
                                          kEvents | (followLink ? 0U : quint32(IN_DONT_FOLLOW)));
    if (watch < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            logFailureOnce(folder, errno);
        return -1;
    }
    // The kernel gives the same watch for the same folder; keep one path per watch.
    const auto earlier = m_folderOfWatch.constFind(watch);
    if (earlier != m_folderOfWatch.constEnd() && *earlier != folder)
        m_watchOfFolder.remove(*earlier);
    m_folderOfWatch.insert(watch, folder);
    m_watchOfFolder.insert(folder, watch);
    return watch;
}

void InotifyFileEventStream::removeWatch(int watch)
{
    const auto found = m_folderOfWatch.constFind(watch);
    if (found == m_folderOfWatch.constEnd())
        return;
    m_watchOfFolder.remove(*found);
    m_folderOfWatch.erase(found);
    ::inotify_rm_watch(m_fd.get(), watch); // fails only for a folder already gone, whose watch went with it
}

bool InotifyFileEventStream::isInTree(const QString& path) const
{
    for (const QString& root : m_presentRoots) {
        if (isAtOrBelow(path, root))
            return true;
    }
    return false;
}

void InotifyFileEventStream::noteChanged(const QString& folder)
{
    if (isStopped() || m_pendingSet.contains(folder))
        return;
    m_pendingSet.insert(folder);
    m_pending.append(folder);
    if (!m_timer.isActive())
        m_timer.start(m_latency);
}

void InotifyFileEventStream::flush()
{
    if (m_pending.isEmpty())
        return;
    if (isDelivering()) {
        m_timer.start(m_latency); // the callback of the last batch runs a nested event loop
        return;
    }
    const QStringList batch = std::exchange(m_pending, {});
    m_pendingSet.clear();
    deliver(batch); // may destroy this stream: nothing of it is touched afterwards
}

void InotifyFileEventStream::logFailureOnce(const QString& folder, int error)
{
    if (m_failureLogged)
        return;
    m_failureLogged = true;
    Logger::info(QStringLiteral("folder not watched for changes: %1 (%2)%3")
                     .arg(folder, QString::fromLocal8Bit(std::strerror(error)),
                          error == ENOSPC
                              ? QStringLiteral(", the limit fs.inotify.max_user_watches is reached")
                              : QString()));
}

std::unique_ptr<FileEventStreamService>
FileEventStreamService::createSystemService(std::chrono::milliseconds latency)
{
    class InotifyService : public FileEventStreamService
    {
    public:
        explicit InotifyService(std::chrono::milliseconds latency) : m_latency(latency) {}
        std::unique_ptr<FileEventStream> createStream(const QStringList& paths, quint64 sinceEventId,
                                                      FileEventStream::Callback callback) override
        {
            return std::make_unique<InotifyFileEventStream>(paths, sinceEventId, m_latency,
                                                            std::move(callback));
        }

    private:
        std::chrono::milliseconds m_latency;
    };
    return std::make_unique<InotifyService>(latency);
}
