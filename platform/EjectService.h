#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Unmounts a volume and ejects its medium, or powers its drive off, so the card can be pulled out.
// It returns at once; the work is finished later on the thread's event loop, and a failure is logged
// and otherwise ignored. Call it only once every file on the volume is closed.
class EjectService
{
public:
    virtual ~EjectService() = default;
    virtual void unmountAndEject(const QString& mountPoint) = 0;
};

// What ejecting a volume comes to, decided from what the disk service knows of its file systems and
// drives, apart from any bus, so that the decision can be tested.
namespace EjectPlan {

struct FileSystem
{
    QString object;          // the service's name for it
    QString drive;           // the drive it lives on (through an encrypted layer too), empty for none
    QStringList mountPoints; // where it is mounted now
};

struct Drive
{
    QString object;
    bool canPowerOff = false;
    bool ejectable = false;
    QString siblingId; // the same for the drives of one device, e.g. the slots of one card reader
};

enum class DriveAction { None, PowerOff, Eject };

struct Plan
{
    QString fileSystem;
    QString drive;
    DriveAction action = DriveAction::None;
};

// The file system to unmount for the mount point and what to do with its drive afterwards; nothing
// when no file system is mounted there. A drive is powered off only when no other volume of it, or of
// a drive of the same device, is mounted (powering off a card reader stops all its slots); otherwise
// its medium is only ejected, when it can be.
std::optional<Plan> plan(const QString& mountPoint, const QList<FileSystem>& fileSystems,
                         const QList<Drive>& drives);

} // namespace EjectPlan
