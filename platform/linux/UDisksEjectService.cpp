#include "platform/linux/UDisksEjectService.h"

#include "platform/Logger.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFileSystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");
constexpr int kQueryTimeout = 5000;
// Unmounting writes out what is still cached for the card, which takes a while on a slow card.
constexpr int kActionTimeout = 60000;

// Never wait for a password prompt: without the permission a call fails at once.
QVariantMap options()
{
    return {{QStringLiteral("auth.no_user_interaction"), true}};
}

QString objectPath(const QVariant& value)
{
    const QString path = value.value<QDBusObjectPath>().path();
    return path == QStringLiteral("/") ? QString() : path;
}

// "MountPoints" is a list of byte strings, each ending in a NUL.
QStringList mountPointsOf(const QVariant& value)
{
    QList<QByteArray> raw;
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        argument >> raw;
    } else {
        raw = value.value<QList<QByteArray>>();
    }
    QStringList mountPoints;
    for (QByteArray point : std::as_const(raw)) {
        while (point.endsWith('\0'))
            point.chop(1);
        if (!point.isEmpty())
            mountPoints.append(QString::fromLocal8Bit(point));
    }
    return mountPoints;
}

UDisksEjectService::ManagedObjects managedObjectsOf(const QDBusMessage& reply)
{
    UDisksEjectService::ManagedObjects objects;
    if (reply.arguments().isEmpty())
        return objects;
    const QDBusArgument argument = reply.arguments().constFirst().value<QDBusArgument>();
    argument.beginMap();
    while (!argument.atEnd()) {
        QDBusObjectPath path;
        QMap<QString, QVariantMap> interfaces;
        argument.beginMapEntry();
        argument >> path >> interfaces;
        argument.endMapEntry();
        objects.insert(path.path(), interfaces);
    }
    argument.endMap();
    return objects;
}

QString actionName(EjectPlan::DriveAction action)
{
    return action == EjectPlan::DriveAction::PowerOff ? QStringLiteral("PowerOff") : QStringLiteral("Eject");
}

} // namespace

UDisksEjectService::UDisksEjectService(QObject* parent)
    : UDisksEjectService(QDBusConnection::systemBus(), parent)
{
}

UDisksEjectService::UDisksEjectService(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus)
{
}

QList<EjectPlan::FileSystem> UDisksEjectService::fileSystemsOf(const ManagedObjects& objects)
{
    QList<EjectPlan::FileSystem> fileSystems;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        if (!it->contains(kFileSystem))
            continue;
        const QVariantMap block = it->value(kBlock);
        QString drive = objectPath(block.value(QStringLiteral("Drive")));
        // An unlocked encrypted volume lives on the drive of the block device below it.
        const QString backing = objectPath(block.value(QStringLiteral("CryptoBackingDevice")));
        if (drive.isEmpty() && !backing.isEmpty())
            drive = objectPath(objects.value(backing).value(kBlock).value(QStringLiteral("Drive")));
        fileSystems.append(
            {it.key(), drive, mountPointsOf(it->value(kFileSystem).value(QStringLiteral("MountPoints")))});
    }
    return fileSystems;
}

QList<EjectPlan::Drive> UDisksEjectService::drivesOf(const ManagedObjects& objects)
{
    QList<EjectPlan::Drive> drives;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        if (!it->contains(kDrive))
            continue;
        const QVariantMap properties = it->value(kDrive);
        drives.append({it.key(), properties.value(QStringLiteral("CanPowerOff")).toBool(),
                       properties.value(QStringLiteral("Ejectable")).toBool(),
                       properties.value(QStringLiteral("SiblingId")).toString()});
    }
    return drives;
}

void UDisksEjectService::unmountAndEject(const QString& mountPoint)
{
    if (!m_bus.isConnected()) {
        Logger::info(QStringLiteral("eject of %1 failed: the bus of the disk service is not reachable")
                         .arg(mountPoint));
        return;
    }
    const QDBusMessage query = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/org/freedesktop/UDisks2"),
        QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("GetManagedObjects"));
    whenFinished(
        m_bus.asyncCall(query, kQueryTimeout), QStringLiteral("eject of %1").arg(mountPoint),
        [this, mountPoint](const QDBusMessage& reply) { carryOut(mountPoint, managedObjectsOf(reply)); });
}

void UDisksEjectService::carryOut(const QString& mountPoint, const ManagedObjects& objects)
{
    const std::optional<EjectPlan::Plan> plan =
        EjectPlan::plan(mountPoint, fileSystemsOf(objects), drivesOf(objects));
    if (!plan) {
        Logger::info(QStringLiteral("eject of %1 failed: no disk is mounted there").arg(mountPoint));
        return;
    }
    QDBusMessage unmount =
        QDBusMessage::createMethodCall(kService, plan->fileSystem, kFileSystem, QStringLiteral("Unmount"));
    unmount << options();
    whenFinished(m_bus.asyncCall(unmount, kActionTimeout), QStringLiteral("unmount of %1").arg(mountPoint),
                 [this, mountPoint, plan = *plan](const QDBusMessage&) { driveAction(mountPoint, plan); });
}

void UDisksEjectService::driveAction(const QString& mountPoint, const EjectPlan::Plan& plan)
{
    if (plan.action == EjectPlan::DriveAction::None)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, plan.drive, kDrive, actionName(plan.action));
    call << options();
    whenFinished(m_bus.asyncCall(call, kActionTimeout),
                 QStringLiteral("%1 of the drive of %2").arg(actionName(plan.action), mountPoint),
                 [](const QDBusMessage&) {});
}

void UDisksEjectService::whenFinished(const QDBusPendingCall& call, const QString& what,
                                      std::function<void(const QDBusMessage&)> done)
{
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [what, done = std::move(done)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusMessage reply = finished->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    Logger::info(QStringLiteral("%1 failed: %2").arg(what, reply.errorMessage()));
                    return;
                }
                done(reply);
            });
}
