#pragma once

#include "platform/EjectService.h"

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QVariantMap>

#include <functional>

class QDBusMessage;
class QDBusPendingCall;

// Ejecting through UDisks2 on the system bus: the file system mounted at the mount point is
// unmounted, then its drive is powered off or its medium ejected as the drive allows (EjectPlan).
// No call waits for a password prompt. Every call is asynchronous; the service must outlive them.
class UDisksEjectService : public QObject, public EjectService
{
    Q_OBJECT
public:
    // On the system bus, where UDisks2 lives.
    explicit UDisksEjectService(QObject* parent = nullptr);
    // On another bus (tests).
    explicit UDisksEjectService(const QDBusConnection& bus, QObject* parent = nullptr);

    void unmountAndEject(const QString& mountPoint) override;

    // What the service's object list says of file systems and drives: object path, then interface
    // name, then properties.
    using ManagedObjects = QMap<QString, QMap<QString, QVariantMap>>;
    static QList<EjectPlan::FileSystem> fileSystemsOf(const ManagedObjects& objects);
    static QList<EjectPlan::Drive> drivesOf(const ManagedObjects& objects);

private:
    void carryOut(const QString& mountPoint, const ManagedObjects& objects);
    void driveAction(const QString& mountPoint, const EjectPlan::Plan& plan);
    // Runs done with the reply, or logs the error of a failed call.
    void whenFinished(const QDBusPendingCall& call, const QString& what,
                      std::function<void(const QDBusMessage&)> done);

    QDBusConnection m_bus;
};
