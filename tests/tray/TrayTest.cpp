// The full program's start-up and its card and watch-folder imports, in this process, driven as a
// person would: through the settings window, the confirmation window and a card put in.
#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "camerafiles/CameraFileWriter.h"
#include "history/HistoryDatabase.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "transfer/ImportService.h"
#include "transfer/MountMediaManager.h"
#include "tray/TransferPresenter.h"
#include "tray/TrevaselAppDelegate.h"
#include "ui/AlertWindowController.h"
#include "ui/BaseWindowController.h"
#include "ui/ConfigWindowController.h"
#include "ui/CopyResultWindowController.h"
#include "ui/DialogService.h"
#include "ui/ProgressWindowController.h"
#include "ui/SDCopyConfirmWindowController.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class Tray : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        for (const char* folder :
             {"home", "data", "config", "run", "volumes", "watch", "pictures", "program", "cards"})
            ASSERT_TRUE(QDir(m_root.path()).mkpath(QString::fromLatin1(folder)));
        // Qt takes a runtime folder only when it is the user's alone; else every test would share one
        // fallback folder, and its single-instance lock.
        QFile::setPermissions(path("run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("HOME", path("home").toUtf8());
        qputenv("XDG_DATA_HOME", path("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", path("run").toUtf8());
        qputenv("TREVASEL_VOLUMES_ROOT", path("volumes").toUtf8());
        TrevaselCommon::setEdition(Edition::Full);
        DialogService::setAnswering(true);
    }
    void TearDown() override
    {
        m_delegate.reset();
        BaseWindowController::deleteAll();
        DialogService::setAnswering(false);
    }

    QString path(const char* relative) const { return m_root.filePath(QString::fromLatin1(relative)); }
    // The default settings with the changes, as a person would have set them.
    void writeSettings(const QVariantMap& changes)
    {
        QVariantMap settings = *PropertyList::fromData(TrevaselCommon::getDefaultUserSettingData());
        settings.insert(QLatin1String(SettingsKey::destinationFolderPath), path("pictures"));
        settings.insert(QLatin1String(SettingsKey::lastBuildNumber), TrevaselCommon::getBuildNumber());
        settings.insert(changes);
        ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(settings));
    }
    // Starts the full program with short waits and its marker in the test's own folder.
    TrevaselAppDelegate& launch()
    {
        EditionParts parts;
        parts.programName = QStringLiteral("TrevaselForPravena");
        parts.makeJob = [] {
            return std::make_unique<BaseWatchFolderOperator>(TrevaselCommon::getDBFilePath());
        };
        parts.createHistory = [](const QString& database) { HistoryDatabase::createIfMissing(database); };
        TrevaselAppDelegate::Setup setup;
        setup.markerFolder = path("program");
        setup.eventLatency = 100ms;
        setup.cardSettleTime = 50ms;
        setup.watchSettleTime = 300ms;
        setup.closingTime = 50ms;
        m_delegate = std::make_unique<TrevaselAppDelegate>(parts, setup);
        QSignalSpy launched(m_delegate.get(), &TrevaselAppDelegate::launched);
        EXPECT_TRUE(m_delegate->applicationDidFinishLaunching({}));
        EXPECT_TRUE(launched.size() == 1 || launched.wait(10000));
        return *m_delegate;
    }
    // A card with the stills, put in by a rename into the volumes folder; gives its mounted path.
    QString insertCard(const QString& name, int stills, int firstSecond, const QDateTime& markerTime = {},
                       int stillSize = 0)
    {
        const QString card = path("cards") + u'/' + name;
        EXPECT_TRUE(QDir().mkpath(card + QStringLiteral("/DCIM/100ORVIS")));
        for (int i = 0; i < stills; ++i) {
            auto image = testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Extended2);
            image.dateTimeOriginal = QDateTime(QDate(2024, 5, 14), QTime(10, 30, firstSecond + i));
            if (stillSize > 0)
                image.targetFileSize = stillSize;
            EXPECT_TRUE(testsupport::writeCameraFile(
                card + QStringLiteral("/DCIM/100ORVIS/ORVS%1.JPG").arg(i, 4, 10, QLatin1Char('0')), image));
        }
        QFile marker(card + QStringLiteral("/ORV_SD"));
        EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
        if (markerTime.isValid()) {
            EXPECT_TRUE(marker.setFileTime(markerTime, QFileDevice::FileModificationTime));
        }
        marker.close();
        const QString mounted = path("volumes") + u'/' + name;
        EXPECT_TRUE(QDir().rename(card, mounted));
        return mounted;
    }
    QStringList picturesArrived() const
    {
        QStringList files;
        QDirIterator it(path("pictures"), {QStringLiteral("*.JPG")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }
    static bool isOpen(int id) { return TrevaselWindowManager::sharedInstance().checkWindow(id); }
    template <typename Controller> static Controller* window(int id)
    {
        return qobject_cast<Controller*>(TrevaselWindowManager::sharedInstance().getWindowController(id));
    }

    QTemporaryDir m_root;
    std::unique_ptr<TrevaselAppDelegate> m_delegate;
};

} // namespace

TEST_F(Tray, AFreshInstallationIsSetUpThroughTheSettingsWindowAndImportsFromTheWatchFolder)
{
    ASSERT_FALSE(QFileInfo::exists(TrevaselCommon::getUserSettingPlistFilePath()));
    launch();
    EXPECT_TRUE(QFileInfo::exists(TrevaselCommon::getUserSettingPlistFilePath()))
        << "the default file is installed";
    EXPECT_EQ(SettingsValue::stringValue(TrevaselCommon::getUserSettingDictionary(),
                                         QLatin1String(SettingsKey::lastBuildNumber)),
              TrevaselCommon::getBuildNumber());

    // Nobody chose a destination yet: the settings window welcomes, with the destination chooser
    // over it, and no alert says that a folder has gone missing.
    auto* config = window<ConfigWindowController>(TrevaselWindowManager::Config);
    ASSERT_NE(config, nullptr);
    ASSERT_TRUE(config->isWindowLoaded());
    EXPECT_TRUE(config->window()->isVisible());
    EXPECT_TRUE(config->window()->findChild<QLabel*>(QStringLiteral("welcomeLabel"))->isVisible());
    EXPECT_FALSE(isOpen(TrevaselWindowManager::Alert));
    ASSERT_EQ(DialogService::folderRequests().size(), 1u);
    const auto button = [&](const char* name) {
        auto* found = config->window()->findChild<QAbstractButton*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    };
    // Cancelled, the chooser leaves the destination empty, and OK refuses to save that.
    button("okButton")->click();
    ASSERT_EQ(DialogService::shownSheets().size(), 1u);
    EXPECT_EQ(DialogService::shownSheets().front().informativeText,
              Strings::text(QStringLiteral("ConfigWindow_DestinationEmptyMessage")));
    EXPECT_TRUE(config->window()->isVisible());
    button("watchFolderButton")->click();
    DialogService::setNextFolderAnswer(path("watch"));
    button("watchFolderTextButton")->click();
    DialogService::setNextFolderAnswer(path("pictures"));
    button("destinationTextFieldButton")->click();
    button("applyButton")->click();
    EXPECT_EQ(SettingsValue::stringValue(TrevaselCommon::getUserSettingDictionary(),
                                         QLatin1String(SettingsKey::watchFolderPath)),
              path("watch"));
    ASSERT_TRUE(m_delegate->importService()->isWatchingFolder());

    auto image = testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Extended2);
    ASSERT_TRUE(testsupport::writeCameraFile(path("watch") + QStringLiteral("/ORVS0001.JPG"), image));
    EXPECT_TRUE(QTest::qWaitFor([&] { return picturesArrived().size() == 1; }, 30000));
    config->close();
}

// A watch-folder picture that is refused is said once, in one notice for its batch, and not again
// each time the folder is looked at.
TEST_F(Tray, ARefusedWatchFolderPictureIsSaidOnce)
{
    writeSettings({{QLatin1String(SettingsKey::watchFolder), true},
                   {QLatin1String(SettingsKey::watchFolderPath), path("watch")},
                   {QLatin1String(SettingsKey::activateAvoidMultipleImportCheck), true}});
    launch();
    QSignalSpy refused(m_delegate->presenter(), &TransferPresenter::picturesRefused);
    const auto image = testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Extended2);
    ASSERT_TRUE(testsupport::writeCameraFile(path("watch") + QStringLiteral("/A.JPG"), image));
    ASSERT_TRUE(QTest::qWaitFor([&] { return picturesArrived().size() == 1; }, 30000));
    // The same shot again under another name: imported before, so it stays.
    ASSERT_TRUE(testsupport::writeCameraFile(path("watch") + QStringLiteral("/B.JPG"), image));
    ASSERT_TRUE(refused.wait(30000));
    EXPECT_TRUE(refused.first().first().toString().contains(
        Strings::text(QStringLiteral("Refused_AlreadyImported")).arg(1)));
    // Another change in the folder brings another batch, which sees B.JPG again and says nothing.
    auto other = image;
    other.dateTimeOriginal = other.dateTimeOriginal.addSecs(5);
    QSignalSpy ended(m_delegate->importService(), &ImportService::batchEnded);
    ASSERT_TRUE(testsupport::writeCameraFile(path("watch") + QStringLiteral("/C.JPG"), other));
    ASSERT_TRUE(QTest::qWaitFor([&] { return picturesArrived().size() == 2; }, 30000));
    ASSERT_TRUE(ended.size() > 0 || ended.wait(30000));
    QTest::qWait(200);
    EXPECT_EQ(refused.size(), 1);
}

TEST_F(Tray, AConfirmedCardShowsProgressThenTheResultAndAFailedOneTheAlert)
{
    writeSettings({{QLatin1String(SettingsKey::confirmBeforeSending), 1001},
                   {QLatin1String(SettingsKey::displayDesktopNotice), true},
                   {QLatin1String(SettingsKey::ejectRemovableDevice), false}});
    launch();
    const QString card = insertCard(QStringLiteral("CARD"), 2, 0);
    ASSERT_TRUE(QTest::qWaitFor([] { return isOpen(TrevaselWindowManager::SDCopyConfirm); }, 30000));
    auto* confirm = window<SDCopyConfirmWindowController>(TrevaselWindowManager::SDCopyConfirm);
    EXPECT_EQ(confirm->folderArray(), QStringList{card});
    // The question says what the card holds, and for whom.
    const QString asked = confirm->window()->findChild<QLabel*>(QStringLiteral("messageLabel"))->text();
    EXPECT_TRUE(asked.contains(
        SDCopyConfirmWindowController::summaryText(2, 0, {QStringLiteral("0000012345 SATO HANAKO")})))
        << qPrintable(asked);
    EXPECT_TRUE(picturesArrived().isEmpty()) << "nothing before the answer";

    QSignalSpy ended(m_delegate->importService(), &ImportService::batchEnded);
    confirm->okButtonClick();
    EXPECT_TRUE(isOpen(TrevaselWindowManager::Progress)) << "progress opens with the answer";
    ASSERT_TRUE(ended.wait(30000));
    ASSERT_TRUE(QTest::qWaitFor([] { return isOpen(TrevaselWindowManager::CopyResult); }, 10000));
    EXPECT_EQ(window<CopyResultWindowController>(TrevaselWindowManager::CopyResult)->fileCount(), 2);
    EXPECT_FALSE(isOpen(TrevaselWindowManager::Progress)) << "progress closes before the result";
    EXPECT_EQ(picturesArrived().size(), 2);

    // "deliver" that is a file fails the next card: the alert says why and no result follows.
    ASSERT_TRUE(QDir(path("pictures") + QStringLiteral("/deliver")).removeRecursively());
    QFile deliver(path("pictures") + QStringLiteral("/deliver"));
    ASSERT_TRUE(deliver.open(QIODevice::WriteOnly));
    deliver.close();
    window<CopyResultWindowController>(TrevaselWindowManager::CopyResult)->close();
    const QString second = insertCard(QStringLiteral("SECOND"), 1, 30);
    const QDateTime markerBefore = QFileInfo(second + QStringLiteral("/ORV_SD")).lastModified();
    ASSERT_TRUE(QTest::qWaitFor([] { return isOpen(TrevaselWindowManager::SDCopyConfirm); }, 30000));
    window<SDCopyConfirmWindowController>(TrevaselWindowManager::SDCopyConfirm)->okButtonClick();
    ASSERT_TRUE(QTest::qWaitFor([] { return isOpen(TrevaselWindowManager::Alert); }, 30000));
    // In plain words, with the technical reason under "Details".
    auto* alert = window<AlertWindowController>(TrevaselWindowManager::Alert);
    EXPECT_TRUE(alert->message().contains(Strings::text(QStringLiteral("Failure_SafeOnCard"))));
    EXPECT_TRUE(alert->details().contains(QStringLiteral("Do not create deliver folder.")));
    EXPECT_TRUE(QTest::qWaitFor([] { return !isOpen(TrevaselWindowManager::Progress); }, 10000));
    EXPECT_FALSE(isOpen(TrevaselWindowManager::CopyResult));
    EXPECT_EQ(QFileInfo(second + QStringLiteral("/ORV_SD")).lastModified(), markerBefore);
    EXPECT_FALSE(QFileInfo::exists(path("program") + QStringLiteral("/$TMP")));
}

// Stop in the progress window ends the batch after the picture in hand: what arrived stays, the rest
// stays on the card (which is not stamped, so it comes again), and the result says it was stopped.
TEST_F(Tray, StopEndsTheCardBatchAfterThePictureInHandAndTheResultSaysSo)
{
    writeSettings({{QLatin1String(SettingsKey::confirmBeforeSending), 1001},
                   {QLatin1String(SettingsKey::displayDesktopNotice), false},
                   {QLatin1String(SettingsKey::ejectRemovableDevice), false}});
    launch();
    const QString card = insertCard(QStringLiteral("CARD"), 30, 0, {}, 1024 * 1024);
    const QDateTime markerBefore = QFileInfo(card + QStringLiteral("/ORV_SD")).lastModified();
    ASSERT_TRUE(QTest::qWaitFor([] { return isOpen(TrevaselWindowManager::SDCopyConfirm); }, 30000));
    ImportService* service = m_delegate->importService();
    QSignalSpy ended(service, &ImportService::batchEnded);
    window<SDCopyConfirmWindowController>(TrevaselWindowManager::SDCopyConfirm)->okButtonClick();
    auto* progress = window<ProgressWindowController>(TrevaselWindowManager::Progress);
    auto* stop = progress->window()->findChild<QPushButton*>(QStringLiteral("stopButton"));
    ASSERT_NE(stop, nullptr);
    QObject::connect(service, &ImportService::progressed, stop, [stop](const ImportProgress& now) {
        if (now.pictures >= 1 && stop->isEnabled())
            stop->click();
    });
    ASSERT_TRUE(ended.wait(30000));
    const auto outcome = ended.first().first().value<ImportOutcome>();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_GE(picturesArrived().size(), 1);
    EXPECT_LT(picturesArrived().size(), 30);
    EXPECT_EQ(QFileInfo(card + QStringLiteral("/ORV_SD")).lastModified(), markerBefore);
    ASSERT_TRUE(QTest::qWaitFor([] { return isOpen(TrevaselWindowManager::CopyResult); }, 10000));
    auto* result = window<CopyResultWindowController>(TrevaselWindowManager::CopyResult);
    EXPECT_TRUE(result->window()
                    ->findChild<QLabel*>(QStringLiteral("messageLabel"))
                    ->text()
                    .contains(Strings::text(QStringLiteral("CopyResultWindow_Stopped"))));
    EXPECT_TRUE(m_delegate->importService()->isWatchingCards()) << "the program goes on";
}

TEST_F(Tray, AnotherCardAtTheSamePathMomentsLaterIsImported)
{
    writeSettings({{QLatin1String(SettingsKey::confirmBeforeSending), 0}});
    launch();
    QSignalSpy ended(m_delegate->importService(), &ImportService::batchEnded);
    const QString card = insertCard(QStringLiteral("NO NAME"), 2, 0);
    ASSERT_TRUE(ended.wait(30000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return MountMediaManager::sharedInstance().getMediaArray().contains(card); }, 10000));

    // Pulled, and a card of the same camera (same volume name, a marker older than the first
    // card's stamp) goes in at once.
    ASSERT_TRUE(QDir().rename(card, path("cards") + QStringLiteral("/FIRST")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !MountMediaManager::sharedInstance().getMediaArray().contains(card); }, 10000));
    insertCard(QStringLiteral("NO NAME"), 3, 20, QDateTime::currentDateTime().addDays(-1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.size() == 2; }, 30000));
    EXPECT_EQ(ended.last().at(0).value<ImportOutcome>().transferred, 3);
    EXPECT_EQ(picturesArrived().size(), 5);
}

TEST_F(Tray, SettingsAppliedInTheWindowDuringACardBatchTakeEffectAfterIt)
{
    writeSettings({{QLatin1String(SettingsKey::displayDesktopNotice), false},
                   {QLatin1String(SettingsKey::confirmBeforeSending), 0}});
    launch();
    ImportService& service = *m_delegate->importService();
    auto* config = window<ConfigWindowController>(TrevaselWindowManager::Config);
    config->showWindow();
    bool appliedWhileBusy = false;
    // Apply, as a person would click it while the card is being imported, at the batch's start and
    // at every picture.
    const auto apply = [&] {
        appliedWhileBusy = appliedWhileBusy || service.isBusy();
        config->window()->findChild<QAbstractButton*>(QStringLiteral("applyButton"))->click();
    };
    QObject::connect(&service, &ImportService::batchStarted, config, apply);
    QObject::connect(&service, &ImportService::pictureArrived, config, apply);
    QSignalSpy ended(&service, &ImportService::batchEnded);
    insertCard(QStringLiteral("CARD"), 20, 0);
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_TRUE(appliedWhileBusy);
    EXPECT_EQ(ended.first().at(0).value<ImportOutcome>().transferred, 20);
    EXPECT_EQ(picturesArrived().size(), 20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !service.isBusy() && service.isWatchingCards(); }, 10000));
    config->close();
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    BaseWindowController::deleteAll();
    return status;
}
