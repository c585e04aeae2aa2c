#include "platform/linux/UDisksEjectService.h"
#include "tests/platform/EventLoopWait.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

using Interfaces = QMap<QString, QVariantMap>;
using Objects = QMap<QDBusObjectPath, Interfaces>;

const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFileSystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");

// The disk service as far as ejecting needs it: the object list, and the unmount, power-off and
// eject calls, which it records and answers with success unless told to fail one.
class FakeUDisks : public QDBusVirtualObject
{
public:
    struct Call
    {
        QString path;
        QString member;
        bool withoutInteraction = false;
    };

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() == QStringLiteral("GetManagedObjects"))
            return connection.send(message.createReply(QVariant::fromValue(objects)));
        const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(0));
        calls.append({message.path(), message.member(),
                      options.value(QStringLiteral("auth.no_user_interaction")).toBool()});
        if (message.member() == failing)
            return connection.send(
                message.createErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy"),
                                         QStringLiteral("target is busy")));
        return connection.send(message.createReply());
    }

    Objects objects;
    QList<Call> calls;
    QString failing;
};

Interfaces block(const char* drive, const char* mountPoint)
{
    QList<QByteArray> mountPoints;
    if (mountPoint)
        mountPoints.append(QByteArray(mountPoint) + '\0');
    return {{kBlock, {{QStringLiteral("Drive"), QVariant::fromValue(QDBusObjectPath(QLatin1String(drive)))}}},
            {kFileSystem, {{QStringLiteral("MountPoints"), QVariant::fromValue(mountPoints)}}}};
}

Interfaces drive(const char* siblingId)
{
    return {{kDrive,
             {{QStringLiteral("CanPowerOff"), true},
              {QStringLiteral("Ejectable"), true},
              {QStringLiteral("SiblingId"), QLatin1String(siblingId)}}}};
}

// A private message bus with the fake disk service on it, and a connection for the program.
class UDisksEjectServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        qDBusRegisterMetaType<QList<QByteArray>>();
        qDBusRegisterMetaType<Interfaces>();
        qDBusRegisterMetaType<Objects>();
        m_daemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(m_daemon.waitForStarted());
        QDeadlineTimer deadline(5000);
        while (!m_daemon.canReadLine() && !deadline.hasExpired())
            m_daemon.waitForReadyRead(100);
        const QString address = QString::fromUtf8(m_daemon.readLine().trimmed());
        ASSERT_FALSE(address.isEmpty());

        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("fake-udisks"));
        ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/UDisks2"), &m_udisks,
                                                  QDBusConnection::SubPath));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.UDisks2")));
        m_program = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("program")));
        ASSERT_TRUE(m_program->isConnected());

        // A two-slot card reader: the card in the first slot, the second slot empty.
        m_udisks.objects = {
            {QDBusObjectPath(QStringLiteral("/org/freedesktop/UDisks2/block_devices/sdb1")),
             block("/org/freedesktop/UDisks2/drives/slot1", "/media/u/CARD")},
            {QDBusObjectPath(QStringLiteral("/org/freedesktop/UDisks2/block_devices/sdc1")),
             block("/org/freedesktop/UDisks2/drives/slot2", nullptr)},
            {QDBusObjectPath(QStringLiteral("/org/freedesktop/UDisks2/drives/slot1")), drive("reader")},
            {QDBusObjectPath(QStringLiteral("/org/freedesktop/UDisks2/drives/slot2")), drive("reader")},
        };
    }

    void TearDown() override
    {
        m_program.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-udisks"));
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    QProcess m_daemon;
    FakeUDisks m_udisks;
    std::unique_ptr<QDBusConnection> m_program;
};

} // namespace

TEST_F(UDisksEjectServiceTest, TheCardIsUnmountedThenItsReaderPoweredOffWithoutAPasswordPrompt)
{
    UDisksEjectService service(*m_program);
    service.unmountAndEject(QStringLiteral("/media/u/CARD"));
    ASSERT_TRUE(waitFor([&] { return m_udisks.calls.size() == 2; }));
    EXPECT_EQ(m_udisks.calls.at(0).path, QStringLiteral("/org/freedesktop/UDisks2/block_devices/sdb1"));
    EXPECT_EQ(m_udisks.calls.at(0).member, QStringLiteral("Unmount"));
    EXPECT_EQ(m_udisks.calls.at(1).path, QStringLiteral("/org/freedesktop/UDisks2/drives/slot1"));
    EXPECT_EQ(m_udisks.calls.at(1).member, QStringLiteral("PowerOff"));
    EXPECT_TRUE(m_udisks.calls.at(0).withoutInteraction && m_udisks.calls.at(1).withoutInteraction);
}

TEST_F(UDisksEjectServiceTest, AFailedUnmountLeavesTheDriveAloneAndAnUnknownVolumeCallsNothing)
{
    m_udisks.failing = QStringLiteral("Unmount");
    UDisksEjectService service(*m_program);
    service.unmountAndEject(QStringLiteral("/media/u/ELSEWHERE"));
    service.unmountAndEject(QStringLiteral("/media/u/CARD"));
    ASSERT_TRUE(waitFor([&] { return !m_udisks.calls.isEmpty(); }));
    turnFor(std::chrono::milliseconds(100));
    ASSERT_EQ(m_udisks.calls.size(), 1);
    EXPECT_EQ(m_udisks.calls.at(0).member, QStringLiteral("Unmount"));
}
