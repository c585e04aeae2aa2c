#include "platform/SingleInstanceLock.h"

#include "platform/Logger.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>

namespace {

QString lockPath(const QString& name)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(name + QStringLiteral(".lock"));
}

} // namespace

SingleInstanceLock::SingleInstanceLock(const QString& name) : m_path(lockPath(name)), m_lock(m_path)
{
    // A lock is stale only when the process that holds it is gone, however long it has run.
    m_lock.setStaleLockTime(0);
}

bool SingleInstanceLock::tryLock()
{
    if (m_lock.isLocked())
        return true;
    if (m_lock.tryLock(0))
        return true;
    if (m_lock.error() == QLockFile::LockFailedError) {
        // QLockFile takes over the lock of a process that is gone only when the lock names this host
        // and program; one left by a crashed copy under another name (a renamed program) is checked
        // here by its process alone.
        qint64 pid = 0;
        QString hostName;
        QString application;
        if (m_lock.getLockInfo(&pid, &hostName, &application) && pid > 0 &&
            ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH && m_lock.removeStaleLockFile())
            return m_lock.tryLock(0);
        return false;
    }
    Logger::info(QStringLiteral("single-instance lock %1 cannot be made; going on without it").arg(m_path));
    return true;
}
