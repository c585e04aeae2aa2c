#include "platform/linux/MountTable.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <unistd.h>

namespace {

// The kernel writes space, tab, newline and backslash in paths as a backslash and three octal digits.
QByteArray unescaped(const QByteArray& field)
{
    QByteArray result;
    result.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                result.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        result.append(c);
    }
    return result;
}

QString key(const MountTable::Mount& mount)
{
    return QString::number(mount.mountId) + QLatin1Char(' ') + mount.mountPoint;
}

} // namespace

namespace MountTable {

QList<Mount> parse(const QByteArray& mountinfo)
{
    // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue": mount id,
    // parent id, device numbers, root, mount point, options, optional fields up to "-", then the
    // file system type and the source.
    QList<Mount> mounts;
    for (const QByteArray& line : mountinfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"));
        if (fields.size() < 5 || separator < 6 || separator + 2 >= fields.size())
            continue;
        bool ok = false;
        Mount mount;
        mount.mountId = fields.at(0).toULongLong(&ok);
        if (!ok || fields.at(4).isEmpty())
            continue;
        mount.mountPoint = QFile::decodeName(unescaped(fields.at(4)));
        mount.fileSystemType = QFile::decodeName(unescaped(fields.at(separator + 1)));
        mount.source = QFile::decodeName(unescaped(fields.at(separator + 2)));
        mounts.append(mount);
    }
    return mounts;
}

Change diff(const QByteArray& before, const QByteArray& after)
{
    const QList<Mount> earlier = parse(before);
    const QList<Mount> later = parse(after);
    QSet<QString> earlierKeys;
    for (const Mount& mount : earlier)
        earlierKeys.insert(key(mount));
    QSet<QString> laterKeys;
    for (const Mount& mount : later)
        laterKeys.insert(key(mount));

    Change change;
    for (const Mount& mount : later) {
        if (!earlierKeys.contains(key(mount)))
            change.mounted.append(mount.mountPoint);
    }
    for (const Mount& mount : earlier) {
        if (!laterKeys.contains(key(mount)))
            change.unmounted.append(mount.mountPoint);
    }
    return change;
}

QByteArray read(int fd)
{
    // A proc file has no size; it is read from its start until the end, each time whole.
    QByteArray text;
    if (::lseek(fd, 0, SEEK_SET) < 0)
        return text;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count < 0 ? QByteArray() : text;
        text.append(buffer, count);
    }
}

} // namespace MountTable
