#include "platform/AutostartOnLoginService.h"
#include "platform/EventIdStore.h"
#include "platform/SingleInstanceLock.h"
#include "tests/platform/ScopedVariable.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(SingleInstanceLock, ASecondCopyIsRefusedUntilTheFirstEndsAndADeadCopysLockIsTakenOver)
{
    QTemporaryDir runtime;
    ScopedVariable variable("XDG_RUNTIME_DIR", runtime.path());
    {
        SingleInstanceLock first(QStringLiteral("TrevaselForPravena"));
        SingleInstanceLock second(QStringLiteral("TrevaselForPravena"));
        SingleInstanceLock otherEdition(QStringLiteral("Trevasel"));
        ASSERT_TRUE(first.tryLock());
        EXPECT_EQ(QFileInfo(first.lockFilePath()).path(), runtime.path());
        EXPECT_FALSE(second.tryLock());
        EXPECT_TRUE(otherEdition.tryLock());
    }
    // The lock of a process that no longer runs, as a crash leaves it.
    QProcess finished;
    finished.start(QStringLiteral("true"), {});
    ASSERT_TRUE(finished.waitForFinished());
    const qint64 deadPid = finished.processId();
    SingleInstanceLock again(QStringLiteral("TrevaselForPravena"));
    QFile stale(again.lockFilePath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(deadPid > 0 ? deadPid : 999999) + "\nTrevaselForPravena\n" +
                QSysInfo::machineHostName().toUtf8() + '\n');
    stale.close();
    EXPECT_TRUE(again.tryLock());
}

TEST(SingleInstanceLock, ALockFileWithNothingUsableInItIsTakenOver)
{
    QTemporaryDir runtime;
    ScopedVariable variable("XDG_RUNTIME_DIR", runtime.path());
    for (const QByteArray& contents : {QByteArray(), QByteArray(64, '\0'), QByteArray("not a lock")}) {
        SingleInstanceLock lock(QStringLiteral("TrevaselForPravena"));
        QFile left(lock.lockFilePath());
        ASSERT_TRUE(left.open(QIODevice::WriteOnly | QIODevice::Truncate));
        left.write(contents);
        left.close();
        EXPECT_TRUE(lock.tryLock()) << contents.size();
        EXPECT_FALSE(SingleInstanceLock(QStringLiteral("TrevaselForPravena")).tryLock()) << "and it holds";
    }
}

TEST(AutostartOnLoginService, TheEntryIsWrittenWithTheProgramQuotedAndRemovedAgain)
{
    QTemporaryDir config;
    ScopedVariable variable("XDG_CONFIG_HOME", config.path());
    const AutostartOnLoginService service(QStringLiteral("TrevaselForPravena"),
                                          QStringLiteral("/opt/my apps/Trevasel \"1\"/TrevaselForPravena"));
    EXPECT_FALSE(service.isLoginItemEnabled());
    ASSERT_TRUE(service.enableLoginItem());
    EXPECT_EQ(service.entryFilePath(),
              config.path() + QStringLiteral("/autostart/TrevaselForPravena.desktop"));
    QFile entry(service.entryFilePath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/Trevasel \\\\\"1\\\\\"/TrevaselForPravena\"\n"))
        << text.constData();
    EXPECT_EQ(AutostartOnLoginService::execValue(QStringLiteral("/a/100%$x")),
              QStringLiteral("\"/a/100%%\\\\$x\""));

    ASSERT_TRUE(service.enableLoginItem()) << "enabling twice replaces the entry";
    ASSERT_TRUE(service.disableLoginItem());
    EXPECT_FALSE(QFileInfo::exists(service.entryFilePath()));
    EXPECT_TRUE(service.disableLoginItem()) << "nothing left to remove is no failure";
}

TEST(EventIdStore, IdsOfTheWholeUnsignedRangeComeBackAndAnythingElseReadsAsZero)
{
    QTemporaryDir config;
    ScopedVariable variable("XDG_CONFIG_HOME", config.path());
    const EventIdStore store = EventIdStore::forProgram(QStringLiteral("Trevasel"));
    EXPECT_EQ(store.filePath(), config.path() + QStringLiteral("/Trevasel/Trevasel.conf"));
    EXPECT_EQ(store.load(EventIdStore::kSDCardKey), 0u);
    store.save(EventIdStore::kSDCardKey, 18446744073709551615ull);
    store.save(EventIdStore::kImageFileKey, 7);
    const EventIdStore reopened(store.filePath());
    EXPECT_EQ(reopened.load(EventIdStore::kSDCardKey), 18446744073709551615ull);
    EXPECT_EQ(reopened.load(EventIdStore::kImageFileKey), 7u);

    QSettings(store.filePath(), QSettings::IniFormat)
        .setValue(QLatin1String(EventIdStore::kImageFileKey), QStringLiteral("-3"));
    EXPECT_EQ(reopened.load(EventIdStore::kImageFileKey), 0u);
}
