#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The mount table of /proc/self/mountinfo, read as text, and what changed between two readings.
namespace MountTable {

struct Mount
{
    quint64 mountId = 0;
    QString mountPoint; // escapes (\040 for a space, ...) decoded
    QString source;     // the device, e.g. "/dev/sdb1"
    QString fileSystemType;
};

struct Change
{
    QStringList mounted;   // mount points of mounts that are new, in table order
    QStringList unmounted; // mount points of mounts that are gone, in the earlier table's order
    bool isEmpty() const { return mounted.isEmpty() && unmounted.isEmpty(); }
};

// The mounts of a mountinfo text; malformed lines are skipped.
QList<Mount> parse(const QByteArray& mountinfo);

// A mount is identified by its id together with its mount point, so a new mount over the same
// folder, or an id the kernel gave again to another mount, counts as a change.
Change diff(const QByteArray& before, const QByteArray& after);

// The whole of /proc/self/mountinfo (or another file of its form); empty when it cannot be read.
QByteArray read(int fd);

} // namespace MountTable
