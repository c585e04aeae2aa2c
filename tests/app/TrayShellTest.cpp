// The full program's start-up in this process, driven through its settings window as a person
// would: no settings file at first, folders chosen and applied, a still dropped into the watch
// folder arrives.
#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "app/shell/TrevaselAppDelegate.h"
#include "camerafiles/CameraFileWriter.h"
#include "history/HistoryDatabase.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "ui/BaseWindowController.h"
#include "ui/ConfigWindowController.h"
#include "ui/DetailConfigWindowController.h"
#include "ui/DialogService.h"
#include "ui/TrevaselWindowManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList picturesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, {QStringLiteral("*.JPG")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

TEST(TrayShell, AFreshInstallationIsSetUpThroughTheSettingsWindowAndImportsFromTheWatchFolder)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    for (const char* folder : {"home", "data", "config", "run", "volumes", "watch", "pictures"})
        ASSERT_TRUE(QDir(root.path()).mkpath(QString::fromLatin1(folder)));
    qputenv("HOME", root.filePath(QStringLiteral("home")).toUtf8());
    qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", root.filePath(QStringLiteral("run")).toUtf8());
    qputenv("TREVASEL_VOLUMES_ROOT", root.filePath(QStringLiteral("volumes")).toUtf8());
    TrevaselCommon::setEdition(Edition::Full);
    ASSERT_FALSE(QFileInfo::exists(TrevaselCommon::getUserSettingPlistFilePath()));

    EditionParts parts;
    parts.programName = QStringLiteral("TrevaselForPravena");
    parts.makeJob = [] { return std::make_unique<BaseWatchFolderOperator>(TrevaselCommon::getDBFilePath()); };
    parts.createHistory = [](const QString& path) { HistoryDatabase::createIfMissing(path); };
    TrevaselAppDelegate delegate(parts);
    ASSERT_TRUE(delegate.applicationDidFinishLaunching({}));
    EXPECT_TRUE(QFileInfo::exists(TrevaselCommon::getUserSettingPlistFilePath()))
        << "the default file is installed";
    EXPECT_EQ(SettingsValue::stringValue(TrevaselCommon::getUserSettingDictionary(),
                                         QLatin1String(SettingsKey::lastBuildNumber)),
              TrevaselCommon::getBuildNumber());

    auto* config = qobject_cast<ConfigWindowController*>(
        TrevaselWindowManager::sharedInstance().getWindowController(TrevaselWindowManager::Config));
    ASSERT_NE(config, nullptr);
    config->showWindow();
    const auto button = [&](const char* name) {
        auto* found = config->window()->findChild<QAbstractButton*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    };
    DialogService::setAnswering(true);
    button("watchFolderButton")->click();
    DialogService::setNextFolderAnswer(root.filePath(QStringLiteral("watch")));
    button("watchFolderTextButton")->click();
    DialogService::setNextFolderAnswer(root.filePath(QStringLiteral("pictures")));
    button("destinationTextFieldButton")->click();
    button("applyButton")->click();
    EXPECT_EQ(SettingsValue::stringValue(TrevaselCommon::getUserSettingDictionary(),
                                         QLatin1String(SettingsKey::watchFolderPath)),
              root.filePath(QStringLiteral("watch")));

    auto image = testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Extended2);
    ASSERT_TRUE(testsupport::writeCameraFile(root.filePath(QStringLiteral("watch/ORVS0001.JPG")), image));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return picturesBelow(root.filePath(QStringLiteral("pictures"))).size() == 1; }, 30000));
    config->close();
}

TEST(TrayShell, AnUnusableNGCheckPeriodFallsBackToTenSeconds)
{
    const auto period = [](const QVariant& value) {
        return TrevaselAppDelegate::ngFileCheckIntervalSeconds(
            {{QLatin1String(SettingsKey::checkNgFileIntervalTime), value}});
    };
    EXPECT_EQ(period(30), 30.0);
    EXPECT_EQ(period(QStringLiteral("2.5")), 2.5);
    for (const QVariant& unusable :
         {QVariant(0), QVariant(-5), QVariant(QStringLiteral("soon")), QVariant(1e12), QVariant()})
        EXPECT_EQ(period(unusable), 10.0) << qPrintable(unusable.toString());
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
