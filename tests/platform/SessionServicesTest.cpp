#include "platform/AutostartOnLoginService.h"
#include "platform/DesktopWorkspaceService.h"
#include "platform/EventIdStore.h"
#include "platform/SingleInstanceLock.h"
#include "tests/platform/EventLoopWait.h"
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

TEST(DesktopWorkspaceService, XdgOpensFailureIsReportedAndAMissingFolderFailsAtOnce)
{
    // An xdg-open that notes what it was given and ends as the test says, as the real one ends with
    // 3 or 4 when no program can open a page or a folder.
    QTemporaryDir bin;
    QFile opener(bin.filePath(QStringLiteral("xdg-open")));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write(
        "#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/asked\"\nexit \"$TREVASEL_TEST_OPEN_EXIT\"\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ScopedVariable path("PATH", bin.path() + QStringLiteral(":/usr/bin:/bin"));
    const auto asked = [&] {
        QFile file(bin.filePath(QStringLiteral("asked")));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    };
    DesktopWorkspaceService workspace;
    int failures = 0;
    const auto failed = [&] { ++failures; };

    ScopedVariable opens("TREVASEL_TEST_OPEN_EXIT", QStringLiteral("0"));
    workspace.openUrl(QUrl(QStringLiteral("https://example.test/a b")), failed);
    ASSERT_TRUE(waitFor([&] { return asked().size() == 1; }));
    turnFor(std::chrono::milliseconds(200));
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(asked().front(), QStringLiteral("https://example.test/a%20b"));

    ScopedVariable fails("TREVASEL_TEST_OPEN_EXIT", QStringLiteral("4"));
    workspace.openFolder(bin.path(), failed);
    EXPECT_TRUE(waitFor([&] { return failures == 1; }));
    EXPECT_EQ(asked().last(), bin.path());

    workspace.openFolder(bin.filePath(QStringLiteral("gone")), failed);
    EXPECT_EQ(failures, 2) << "at once";
    EXPECT_EQ(asked().size(), 2) << "xdg-open is not asked";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the ended xdg-opens
}
