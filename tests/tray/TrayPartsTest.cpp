// The tray program's small parts, each on its own: which card is ejected, the ".NG" answers, the
// history purge and the period fallbacks.
#include "app/SettingsKeys.h"
#include "app/TrevaselCommon.h"
#include "service/EjectChoice.h"
#include "service/HistoryPurgeTimer.h"
#include "service/NGAnswerPoller.h"
#include "tray/NGAnswerWindow.h"
#include "ui/BaseWindowController.h"
#include "ui/NGFileCheckResultWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

TEST(EjectChoice, ComparesWholePathComponents)
{
    const QStringList media{QStringLiteral("/media/u/NO NAME"), QStringLiteral("/media/u/NO NAME1")};
    EXPECT_EQ(EjectChoice::mediaToEject({QStringLiteral("/media/u/NO NAME1")}, media),
              QStringList{QStringLiteral("/media/u/NO NAME1")});
    EXPECT_EQ(EjectChoice::mediaToEject({QStringLiteral("/media/u/NO NAME/")}, media),
              QStringList{QStringLiteral("/media/u/NO NAME")});
    EXPECT_EQ(EjectChoice::mediaToEject(
                  {QStringLiteral("/media/u/NO NAME1/DCIM"), QStringLiteral("/media/u/NO NAME1")},
                  {QStringLiteral("/media/u/NO NAME")}),
              QStringList())
        << "a longer name is another card";
    EXPECT_EQ(EjectChoice::mediaToEject({QStringLiteral("/media/u/A"), QStringLiteral("/media/u/A/DCIM")},
                                        {QStringLiteral("/media/u/A")}),
              QStringList{QStringLiteral("/media/u/A")})
        << "each card once";
    EXPECT_FALSE(EjectChoice::isWithin(QStringLiteral("/media/u/A"), QString()));
}

TEST(NGAnswerWindow, AnAnswerOpensTheWindowOnceAndItsRepeatIsRemoved)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("deliver")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("0000012345")));
    qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toUtf8());
    TrevaselCommon::setEdition(Edition::Full);
    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(
        {{QLatin1String(SettingsKey::destinationFolderPath), root.path()}}));
    QStringList opened;
    NGAnswerWindow answers([] { return SettingsSnapshot::read(); },
                           [&](const QString& folder) { opened << folder; });
    NGAnswerPoller& poller = answers.poller();
    const auto answer = [&](const char* name) {
        QFile file(root.filePath(QStringLiteral("deliver/") + QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    };
    answer("0000012345.NG");
    answer("0000012345.BIX");
    poller.timerNGFileCheck();
    TrevaselWindowManager& windows = TrevaselWindowManager::sharedInstance();
    ASSERT_TRUE(windows.checkWindow(TrevaselWindowManager::NGFileCheckResult));
    auto* window = qobject_cast<NGFileCheckResultWindowController*>(
        windows.getWindowController(TrevaselWindowManager::NGFileCheckResult));
    EXPECT_EQ(window->medicalRecordNumber(), QStringLiteral("0000012345"));
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("deliver"))).entryList(QDir::Files),
              QStringList{QStringLiteral("0000012345.BIX")});

    // The same number again while the window is open: removed, no second window. Another number
    // waits for the window to close.
    answer("0000012345.NG");
    answer("0000099999.NG");
    poller.timerNGFileCheck();
    poller.timerNGFileCheck();
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("deliver/0000012345.NG"))));
    EXPECT_TRUE(QFileInfo::exists(root.filePath(QStringLiteral("deliver/0000099999.NG"))));
    EXPECT_EQ(window->medicalRecordNumber(), QStringLiteral("0000012345"));

    window->openFolder();
    EXPECT_EQ(opened, QStringList{root.filePath(QStringLiteral("0000012345"))});
    BaseWindowController::deleteAll();

    // A name that is not valid UTF-8 is removed by its own bytes, so its window does not come back.
    ASSERT_TRUE(QFile::remove(root.filePath(QStringLiteral("deliver/0000099999.NG"))));
    const QByteArray oddName = QFile::encodeName(root.filePath(QStringLiteral("deliver/"))) + "\xff\xfe"
                                                                                              "12.NG";
    std::FILE* odd = std::fopen(oddName.constData(), "w");
    ASSERT_NE(odd, nullptr);
    std::fclose(odd);
    poller.timerNGFileCheck();
    EXPECT_TRUE(windows.checkWindow(TrevaselWindowManager::NGFileCheckResult));
    EXPECT_NE(::access(oddName.constData(), F_OK), 0) << "removed";
    BaseWindowController::deleteAll();
}

TEST(NGAnswerPoller, AnUnusablePeriodFallsBackToTenSeconds)
{
    const auto period = [](double seconds) {
        SettingsSnapshot settings;
        settings.checkNgFileIntervalTime = seconds;
        return NGAnswerPoller::ngFileCheckIntervalSeconds(settings);
    };
    EXPECT_EQ(period(30), 30.0);
    EXPECT_EQ(period(2.5), 2.5);
    for (double unusable : {0.0, -5.0, 0.5, 1e12})
        EXPECT_EQ(period(unusable), 10.0) << unusable;
}

TEST(HistoryPurgeTimer, PurgesOnlyOnceTheIntervalHasPassedAndStoresTheTime)
{
    QTemporaryDir root;
    qputenv("XDG_DATA_HOME", root.path().toUtf8());
    TrevaselCommon::setEdition(Edition::Full);
    QList<qint64> purged;
    HistoryPurgeTimer timer([&](qint64 before) { purged << before; });
    SettingsSnapshot settings;
    settings.deleteImportedFileRecordIntervalTime = 3600;
    settings.lastDeleteImportedFileRecordDatetime = QStringLiteral("20260301120000");
    const QDateTime last(QDate(2026, 3, 1), QTime(12, 0));

    EXPECT_FALSE(timer.timerDeleteImportedFileRecord(settings, last.addSecs(3600)));
    EXPECT_TRUE(timer.timerDeleteImportedFileRecord(settings, last.addSecs(3601)));
    EXPECT_EQ(purged, QList<qint64>{20260301120000});
    EXPECT_EQ(TrevaselCommon::getUserSettingDictionary().value(
                  QLatin1String(SettingsKey::lastDeleteImportedFileRecordDatetime)),
              QStringLiteral("20260301130001"));

    settings.lastDeleteImportedFileRecordDatetime = QStringLiteral("not a time");
    EXPECT_FALSE(timer.timerDeleteImportedFileRecord(settings, last.addYears(1)));
    EXPECT_EQ(purged.size(), 1);
}
