#include "UiTestSupport.h"

#include <QSignalSpy>
#include <QTest>

#include "app/SettingsKeys.h"
#include "ui/NGFileCheckResultWindowController.h"

#include <QDir>
#include <QFile>

using namespace std::chrono_literals;

class RejectedDeliveryWindow : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_destination = m_root.filePath(QStringLiteral("destination"));
        m_saveFolder = m_root.filePath(QStringLiteral("elsewhere"));
        ASSERT_TRUE(QDir().mkpath(m_destination + QStringLiteral("/0000012345")));
        ASSERT_TRUE(QDir().mkpath(m_saveFolder));
        QFile picture(m_destination + QStringLiteral("/0000012345/a.JPG"));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(
            {{QString::fromLatin1(SettingsKey::destinationFolderPath), m_destination}}));
        NGFileCheckResultWindowController::setClock(
            [] { return QDateTime(QDate(2026, 3, 4), QTime(9, 8, 7)); });
        NGFileCheckResultWindowController::setRetryDelay(0ms);
    }

    void TearDown() override
    {
        NGFileCheckResultWindowController::setClock([] { return QDateTime::currentDateTime(); });
        NGFileCheckResultWindowController::setRetryDelay(1s);
        UiTest::TearDown();
    }

    NGFileCheckResultWindowController* windowFor(const QString& number)
    {
        auto* window = qobject_cast<NGFileCheckResultWindowController*>(
            TrevaselWindowManager::sharedInstance().getWindowController(
                TrevaselWindowManager::NGFileCheckResult));
        window->setMedicalRecordNumber(number);
        QObject::connect(window, &NGFileCheckResultWindowController::openFolderRequested,
                         [this](const QString& folder) { m_opened << folder; });
        window->showWindow();
        return window;
    }

    bool isOpen() const
    {
        return TrevaselWindowManager::sharedInstance().checkWindow(TrevaselWindowManager::NGFileCheckResult);
    }

    QString m_destination;
    QString m_saveFolder;
    QStringList m_opened;
};

TEST_F(RejectedDeliveryWindow, ChosenFolderReceivesThePatientFolderUnderATimeStampedName)
{
    Strings::setLanguage(QStringLiteral("ja"));
    auto* window = windowFor(QStringLiteral("0000012345"));
    EXPECT_TRUE(labelText(window, "messageLabel").contains(u"0000012345"));
    DialogService::setNextFolderAnswer(m_saveFolder);
    window->assignSaveFolder();

    ASSERT_EQ(DialogService::folderRequests().size(), 1u);
    EXPECT_EQ(DialogService::folderRequests().front().title, QStringLiteral("保存場所"));
    EXPECT_EQ(DialogService::folderRequests().front().acceptButtonTitle, QStringLiteral("保存"));
    EXPECT_TRUE(QFile::exists(m_saveFolder + QStringLiteral("/0000012345_20260304090807/a.JPG")));
    EXPECT_FALSE(QFile::exists(m_destination + QStringLiteral("/0000012345")));
    EXPECT_TRUE(DialogService::shownSheets().empty());
    EXPECT_FALSE(isOpen());
}

TEST_F(RejectedDeliveryWindow, CancelledChooserMovesNothingAndKeepsTheWindow)
{
    windowFor(QStringLiteral("0000012345"))->assignSaveFolder();
    EXPECT_TRUE(QFile::exists(m_destination + QStringLiteral("/0000012345/a.JPG")));
    EXPECT_TRUE(isOpen());
}

TEST_F(RejectedDeliveryWindow, TargetStillTakenAfterTheRetryShowsTheSheetAndKeepsTheFolder)
{
    Strings::setLanguage(QStringLiteral("ja"));
    ASSERT_TRUE(QDir().mkpath(m_saveFolder + QStringLiteral("/0000012345_20260304090807")));
    DialogService::setNextFolderAnswer(m_saveFolder);
    auto* window = windowFor(QStringLiteral("0000012345"));
    QSignalSpy assigned(window, &NGFileCheckResultWindowController::saveFolderAssigned);
    window->assignSaveFolder();
    ASSERT_TRUE(assigned.wait(5000)) << "the second try comes from a timer";
    EXPECT_EQ(assigned.first().at(0).toBool(), false);

    ASSERT_EQ(DialogService::shownSheets().size(), 1u);
    EXPECT_EQ(DialogService::shownSheets().front().informativeText,
              QStringLiteral("フォルダが移動できませんでした。"));
    EXPECT_EQ(DialogService::shownSheets().front().buttonTitle, QStringLiteral("OK"));
    EXPECT_TRUE(QFile::exists(m_destination + QStringLiteral("/0000012345/a.JPG")));
    EXPECT_TRUE(isOpen());
}

TEST_F(RejectedDeliveryWindow, RetryTakesTheNewTimeWhenTheFirstNameIsTaken)
{
    int calls = 0;
    NGFileCheckResultWindowController::setClock(
        [&] { return QDateTime(QDate(2026, 3, 4), QTime(9, 8, 7 + calls++)); });
    ASSERT_TRUE(QDir().mkpath(m_saveFolder + QStringLiteral("/0000012345_20260304090807")));
    DialogService::setNextFolderAnswer(m_saveFolder);
    windowFor(QStringLiteral("0000012345"))->assignSaveFolder();
    // The second try comes from a timer; the window stays usable meanwhile.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QFile::exists(m_saveFolder + QStringLiteral("/0000012345_20260304090808/a.JPG")); },
        5000));
    EXPECT_FALSE(isOpen());
}

TEST_F(RejectedDeliveryWindow, ANumberThatIsNotOneFolderNameMovesAndOpensNothing)
{
    for (const QString& number : {QStringLiteral(".."), QStringLiteral("a/../.."), QString()}) {
        DialogService::setNextFolderAnswer(m_saveFolder);
        auto* window = windowFor(number);
        window->assignSaveFolder();
        window->openFolder();
        window->close();
        flushDeletes();
    }
    EXPECT_EQ(DialogService::shownSheets().size(), 3u);
    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_TRUE(QDir(m_saveFolder).isEmpty());
    EXPECT_TRUE(QFile::exists(m_destination + QStringLiteral("/0000012345/a.JPG")));

    windowFor(QStringLiteral("0000012345"))->openFolder();
    EXPECT_EQ(m_opened, QStringList{m_destination + QStringLiteral("/0000012345")});
}
