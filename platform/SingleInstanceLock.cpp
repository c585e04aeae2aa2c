#include "platform/SingleInstanceLock.h"

#include "platform/Logger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString lockPath(const QString& name)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(name + QStringLiteral(".lock"));
}

} // namespace

SingleInstanceLock::SingleInstanceLock(const QString& name) : m_path(lockPath(name)) {}

SingleInstanceLock::~SingleInstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock; the file stays for the next start to lock again
}

bool SingleInstanceLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Logger::info(
            QStringLiteral("single-instance lock %1 cannot be made; going on without it").arg(m_path));
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return false;
        Logger::info(
            QStringLiteral("single-instance lock %1 cannot be taken; going on without it").arg(m_path));
        return true;
    }
    // Who holds it, for a person looking at the file; the lock itself is the kernel's.
    const QByteArray holder = QByteArray::number(static_cast<qint64>(::getpid())) + '\n' +
                              QCoreApplication::applicationName().toUtf8() + '\n';
    if (::ftruncate(fd, 0) == 0) [[maybe_unused]]
        const ssize_t written = ::write(fd, holder.constData(), static_cast<size_t>(holder.size()));
    m_fd = fd;
    return true;
}
