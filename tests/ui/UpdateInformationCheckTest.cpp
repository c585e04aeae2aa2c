#include "ListServer.h"

#include "UiTestSupport.h"
#include "platform/HttpFetch.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "camerafiles/CameraFileWriter.h"
#include "platform/fake/FakeWorkspaceService.h"
#include "transfer/BasicWatchFolderOperator.h"
#include "transfer/WatchFolderBatch.h"
#include "ui/InformationCheckWindowController.h"
#include "ui/LinkTextField.h"
#include "ui/UpdateCheckWindowController.h"
#include "ui/WorkspaceOpener.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

UpdateCheckResult versions(const QByteArray& list, double running, Edition edition = Edition::Full)
{
    return UpdateChecker::checkUpdate(list, running, edition);
}

} // namespace

TEST(UpdateCheck, LastNewerLineWinsWhateverTheLineEnds)
{
    for (const QByteArray& newline : {QByteArray("\n"), QByteArray("\r"), QByteArray("\r\n")}) {
        const QByteArray list = "1,2,A,2014,u1" + newline + "1,3,B,2015,u2" + newline + "1,9,C" + newline;
        const UpdateCheckResult newer = versions(list, 1.1);
        EXPECT_TRUE(newer.newer && !newer.failed) << newline.toHex().toStdString();
        EXPECT_EQ(newer.version, QStringLiteral("1.30"));
        EXPECT_EQ(newer.name, QStringLiteral("B"));
        EXPECT_EQ(newer.date, QStringLiteral("(2015)"));
        EXPECT_EQ(newer.url, QStringLiteral("u2"));
        const UpdateCheckResult current = versions(list, 1.3);
        EXPECT_FALSE(current.newer || current.failed);
    }
    EXPECT_EQ(versions("1,5,A,d,u\n1,4,B,d,u\n", 1.3).version, QStringLiteral("1.40"));
    // Minor numbers compare as decimal digits: 1.10 is 1.1, below 1.5.
    EXPECT_FALSE(versions("1,10,A,d,u", UpdateChecker::versionValue(QStringLiteral("1.5.2"))).newer);
    EXPECT_EQ(versions("2,0,A,20150401,u", 1.0, Edition::Basic).date, QStringLiteral("(2015/04/01)"));
}

TEST(UpdateCheck, MalformedListsErrorPagesAndFailedFetchesReportFailed)
{
    const QList<std::optional<QByteArray>> failing{
        QByteArray("1,3,B,2015\n1,3,B,2015,u,extra\n"),
        QByteArray("<html><head><title>404 Not Found</title></head><body>Not Found</body></html>\r\n"),
        QByteArray("1,3,B,2015,\xff\xfe\n"), std::nullopt};
    for (const auto& list : failing) {
        const UpdateCheckResult result = UpdateChecker::checkUpdate(list, 1.0, Edition::Full);
        EXPECT_TRUE(result.failed);
        EXPECT_FALSE(result.newer);
        EXPECT_FALSE(InformationChecker::checkInformation(list).found);
    }
}

TEST(InformationCheck, HighestIdFirstOfEqualOnesAndLineBreaksPerLanguage)
{
    const InformationCheckResult result =
        InformationChecker::checkInformation("3,-,t3,x,u,T3,x,u\r\n7,-,t7a,a<br>b<BR>c,ja,T7a,a<br>b,en\r\n7,"
                                             "-,t7b,x,u,T7b,x,u\r\n5,-,t5,x,u,T5,x,u\r\nbad\r\n");
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.id, 7);
    EXPECT_EQ(result.title(true), QStringLiteral("t7a"));
    EXPECT_EQ(result.text(true), QStringLiteral("a \rb\rc"));
    EXPECT_EQ(result.text(false), QStringLiteral("a\rb"));
    EXPECT_EQ(result.url(false), QStringLiteral("en"));

    const InformationCheckResult notANumber = InformationChecker::checkInformation("x,-,t,x,u,T,x,u");
    EXPECT_TRUE(notANumber.found);
    EXPECT_EQ(notANumber.id, 0);
    const InformationCheckResult malformed = InformationChecker::checkInformation("1,-,t,x,u,T,x\n");
    EXPECT_TRUE(malformed.failed);
    EXPECT_EQ(malformed.id, -1);
}

class ChecksOverHttp : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(m_server.listen());
        UpdateChecker::setTimeout(300ms);
        WorkspaceOpener::setService(&m_workspace);
    }
    void TearDown() override
    {
        UpdateChecker::setTimeout(UpdateChecker::kTimeout);
        WorkspaceOpener::setService(nullptr);
        UiTest::TearDown();
    }

    void writeSettings(int checkedId)
    {
        ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(
            {{"version check site", m_server.url(QStringLiteral("/version.lst"))},
             {"information check site", m_server.url(QStringLiteral("/ja.lst"))},
             {"information check site english", m_server.url(QStringLiteral("/en.lst"))},
             {"checked information id", qint64(checkedId)}}));
    }

    // Waits until the server has had `requests` requests and the answers had time to arrive.
    void settle(int requests)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.requests() >= requests; }, 3000));
        QTest::qWait(100);
    }

    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
    ListServer m_server;
    FakeWorkspaceService m_workspace;
};

TEST_F(ChecksOverHttp, StartupUpdateCheckOpensTheWindowOnlyForANewerVersion)
{
    writeSettings(0);
    m_server.serve("/version.lst", "0,9,Old,2013,https://old\r\n");
    UpdateChecker::runStartupCheck();
    settle(1);
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::UpdateCheck));

    m_server.serve("/version.lst", "1,0,Same,2014,https://same\n9,5,New,2026,https://example.test/dl\n");
    UpdateChecker::runStartupCheck();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return manager.checkWindow(TrevaselWindowManager::UpdateCheck); }, 3000));
    auto* window = qobject_cast<UpdateCheckWindowController*>(manager.getWindowController(4));
    EXPECT_TRUE(window->window()->isVisible());
    EXPECT_EQ(labelText(window, "versionTextField"), QStringLiteral("Ver 9.50"));
    EXPECT_EQ(labelText(window, "urlTextField"), QStringLiteral("https://example.test/dl"));
    QTest::mouseClick(window->linkTextField(), Qt::LeftButton);
    EXPECT_EQ(m_workspace.openedUrls(), QList<QUrl>{QUrl(QStringLiteral("https://example.test/dl"))});
    EXPECT_TRUE(DialogService::shownSheets().empty());
    // Without a browser the window says so, with the address to copy.
    m_workspace.setSucceeds(false);
    QTest::mouseClick(window->linkTextField(), Qt::LeftButton);
    ASSERT_EQ(DialogService::shownSheets().size(), 1u);
    EXPECT_EQ(DialogService::shownSheets().front().informativeText,
              QStringLiteral("https://example.test/dl"));
    EXPECT_EQ(m_server.requests(), 2) << "the window shows the start-up check's answer";
}

TEST_F(ChecksOverHttp, AnAnswerLargerThanALimitIsRefusedAndASmallerOneRead)
{
    const QByteArray fits(HttpFetch::kMaxBodyBytes, 'x');
    m_server.serve("/fits.lst", fits);
    m_server.serve("/huge.lst", "1,2026/01/01," + QByteArray(1024 * 1024, 'x') + "\n");
    const auto fetch = [&](const char* path) {
        HttpFetch fetcher;
        QSignalSpy finished(&fetcher, &HttpFetch::finished);
        fetcher.get(m_server.url(QString::fromLatin1(path)), 5s);
        EXPECT_TRUE(finished.wait(5000));
        return finished.isEmpty()
                   ? std::pair(false, QByteArray())
                   : std::pair(finished.first().at(0).toBool(), finished.first().at(1).toByteArray());
    };
    EXPECT_EQ(fetch("/fits.lst"), std::pair(true, fits));
    EXPECT_EQ(fetch("/huge.lst"), std::pair(false, QByteArray()));
}

TEST_F(ChecksOverHttp, ServerThatNeverAnswersFreezesNothingAndShowsNothing)
{
    writeSettings(0); // nothing served: every request waits forever
    bool timerFired = false;
    QTimer::singleShot(50ms, [&] { timerFired = true; });
    UpdateChecker::runStartupCheck();
    InformationChecker::runStartupCheck();
    EXPECT_FALSE(timerFired) << "the checks return at once";
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerFired; }, 250)) << "events run while the lists are awaited";
    QTest::qWait(600);
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::UpdateCheck));
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::InformationCheck));
}

TEST_F(ChecksOverHttp, PicturesAreImportedWhileTheListServerKeepsTheChecksWaiting)
{
    writeSettings(0); // nothing served
    UpdateChecker::setTimeout(10s);
    const QString card = m_root.filePath(QStringLiteral("card"));
    const QString pictures = m_root.filePath(QStringLiteral("pictures"));
    testsupport::CameraImage still = testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Legacy);
    still.model = QStringLiteral("Orthavisio K-22");
    ASSERT_TRUE(testsupport::writeCameraFile(card + QStringLiteral("/ORVS0001.JPG"), still));

    UpdateChecker::runStartupCheck();
    InformationChecker::runStartupCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.requests() == 2; }, 3000)) << "both lists are awaited";
    std::optional<ImportOutcome> imported;
    QTimer::singleShot(0ms, [&] {
        BasicWatchFolderOperator job;
        imported = WatchFolderBatch::run(
            job,
            {{QLatin1String(SettingsKey::destinationFolderPath), pictures},
             {QLatin1String(SettingsKey::dateFormatString), QStringLiteral("YYYY-MM-DD")}},
            {card});
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return imported.has_value(); }, 3000));
    EXPECT_EQ(imported->transferred, 1);
    QDirIterator arrived(pictures, {QStringLiteral("*.JPG")}, QDir::Files, QDirIterator::Subdirectories);
    EXPECT_TRUE(arrived.hasNext());
}

TEST_F(ChecksOverHttp, UpdateWindowFromTheMenuChecksItselfAndSaysWhenTheListIsUnreadable)
{
    writeSettings(0);
    m_server.serve("/version.lst", "<html><body>Internal Server Error</body></html>",
                   "500 Internal Server Error");
    auto* window = qobject_cast<UpdateCheckWindowController*>(manager.getWindowController(4));
    window->showWindow();
    EXPECT_EQ(labelText(window, "message3Label"),
              Strings::text(QStringLiteral("UpdateCheckWindow_Checking")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->result().has_value(); }, 3000));
    EXPECT_TRUE(window->result()->failed);
    EXPECT_TRUE(
        labelText(window, "message3Label").startsWith(Strings::text(QStringLiteral("ApplicationMessage19"))));
    EXPECT_TRUE(labelText(window, "urlTextField").isEmpty());
    QTest::mouseClick(window->linkTextField(), Qt::LeftButton);
    EXPECT_TRUE(m_workspace.openedUrls().isEmpty());
}

TEST_F(ChecksOverHttp, NoticeOpensInTheReadersLanguageUntilAcknowledged)
{
    m_server.serve("/ja.lst", "8,-,お知らせ,一行目<br>二行目,https://ja.example.test,News,x,https://en\n");
    m_server.serve("/en.lst",
                   "7,-,t,x,u,Old news,x,u\r\n9,-,t,x,u,News,First<BR>second,https://en.example.test\r\n");

    // An English reader who acknowledged notice 9 sees nothing.
    writeSettings(9);
    InformationChecker::runStartupCheck();
    settle(1);
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::InformationCheck));

    // A Japanese reader reads the Japanese list, whose notice 8 is newer than the acknowledged 7.
    Strings::setLanguage(QStringLiteral("ja"));
    writeSettings(7);
    InformationChecker::runStartupCheck();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return manager.checkWindow(TrevaselWindowManager::InformationCheck); }, 3000));
    auto* window = qobject_cast<InformationCheckWindowController*>(manager.getWindowController(9));
    EXPECT_EQ(labelText(window, "titleLabel"), QStringLiteral("お知らせ"));
    EXPECT_EQ(labelText(window, "textField"), QStringLiteral("一行目 \n二行目"));
    window->laterButtonClick();
    EXPECT_EQ(SettingsValue::intValue(TrevaselCommon::getUserSettingDictionary(), "checked information id"),
              7);

    InformationChecker::runStartupCheck();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return manager.checkWindow(TrevaselWindowManager::InformationCheck); }, 3000));
    window = qobject_cast<InformationCheckWindowController*>(manager.getWindowController(9));
    window->closeButtonClick();
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::InformationCheck));
    EXPECT_EQ(SettingsValue::intValue(TrevaselCommon::getUserSettingDictionary(), "checked information id"),
              8);
    EXPECT_EQ(TrevaselCommon::getUserSettingDictionary().value("version check site"),
              m_server.url(QStringLiteral("/version.lst")))
        << "OK keeps the other settings";

    // A notice of 50,000 characters of markup is shown as plain text, cut.
    m_server.serve("/ja.lst", "10,-,<b>t</b>," + QByteArray("notice ").repeated(7000) +
                                  ",https://ja,News,x,https://en\n");
    InformationChecker::runStartupCheck();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return manager.checkWindow(TrevaselWindowManager::InformationCheck); }, 3000));
    window = qobject_cast<InformationCheckWindowController*>(manager.getWindowController(9));
    EXPECT_EQ(labelText(window, "titleLabel"), QStringLiteral("<b>t</b>"));
    EXPECT_EQ(labelText(window, "textField").size(), 2001);
    EXPECT_LT(window->window()->height(), 430) << "a long notice scrolls instead of growing the window";
}
