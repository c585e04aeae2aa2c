#include "platform/EjectService.h"

#include <QDir>

#include <algorithm>

namespace EjectPlan {

std::optional<Plan> plan(const QString& mountPoint, const QList<FileSystem>& fileSystems,
                         const QList<Drive>& drives)
{
    const QString wanted = QDir::cleanPath(mountPoint);
    const auto target =
        std::find_if(fileSystems.cbegin(), fileSystems.cend(), [&wanted](const FileSystem& fileSystem) {
            return std::any_of(fileSystem.mountPoints.cbegin(), fileSystem.mountPoints.cend(),
                               [&wanted](const QString& point) { return QDir::cleanPath(point) == wanted; });
        });
    if (target == fileSystems.cend())
        return std::nullopt;

    Plan result{target->object, target->drive, DriveAction::None};
    const auto drive = std::find_if(drives.cbegin(), drives.cend(), [&target](const Drive& candidate) {
        return candidate.object == target->drive;
    });
    if (target->drive.isEmpty() || drive == drives.cend())
        return result;

    const auto sameDevice = [&drive, &drives](const QString& object) {
        if (object == drive->object)
            return true;
        if (drive->siblingId.isEmpty())
            return false;
        return std::any_of(drives.cbegin(), drives.cend(), [&](const Drive& other) {
            return other.object == object && other.siblingId == drive->siblingId;
        });
    };
    const bool otherVolumeMounted =
        std::any_of(fileSystems.cbegin(), fileSystems.cend(), [&](const FileSystem& other) {
            return other.object != target->object && !other.mountPoints.isEmpty() && sameDevice(other.drive);
        });

    if (drive->canPowerOff && !otherVolumeMounted)
        result.action = DriveAction::PowerOff;
    else if (drive->ejectable)
        result.action = DriveAction::Eject;
    return result;
}

} // namespace EjectPlan
