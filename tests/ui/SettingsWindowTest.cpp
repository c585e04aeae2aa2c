#include "UiTestSupport.h"

#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "ui/ConfigWindowController.h"
#include "ui/DetailConfigWindowController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

// The settings windows driven through their widgets, against a settings file in a temporary home.
class SettingsWindow : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        // The program wires each settings window as the registry makes it.
        QObject::connect(&TrevaselWindowManager::sharedInstance(), &TrevaselWindowManager::windowMade,
                         &m_context, [this](BaseWindowController* controller) {
                             if (auto* config = qobject_cast<ConfigWindowController*>(controller))
                                 QObject::connect(
                                     config, &ConfigWindowController::settingsApplied,
                                     [this](const SettingsSnapshotPtr& applied) { m_applied << *applied; });
                         });
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("dest")));
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("watch")));
    }
    void TearDown() override { UiTest::TearDown(); }

    // The edition's default file with the changes, as start-up would have installed it.
    void writeSettings(const QVariantMap& changes)
    {
        QVariantMap settings = *PropertyList::fromData(TrevaselCommon::getDefaultUserSettingData());
        settings.insert(changes);
        ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(settings));
    }
    static QVariantMap stored()
    {
        return *PropertyList::readFile(TrevaselCommon::getUserSettingPlistFilePath());
    }
    static QByteArray storedBytes()
    {
        QFile file(TrevaselCommon::getUserSettingPlistFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    ConfigWindowController* open()
    {
        auto* config = qobject_cast<ConfigWindowController*>(
            TrevaselWindowManager::sharedInstance().getWindowController(TrevaselWindowManager::Config));
        config->showWindow();
        return config;
    }
    template <typename W = QAbstractButton>
    static W* widget(BaseWindowController* controller, const char* name)
    {
        W* found = controller->window()->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void click(BaseWindowController* controller, const char* name)
    {
        widget(controller, name)->click();
    }
    // Answers the next folder chooser with folder and presses the chooser button.
    static void choose(BaseWindowController* controller, const char* button, const QString& folder)
    {
        DialogService::setNextFolderAnswer(folder);
        click(controller, button);
    }
    QString path(const char* name) const { return m_root.filePath(QString::fromLatin1(name)); }
    static QStringList sheetTexts()
    {
        QStringList texts;
        for (const DialogService::Sheet& sheet : DialogService::shownSheets())
            texts << sheet.informativeText;
        return texts;
    }

    QObject m_context;
    QList<SettingsSnapshot> m_applied;
};

TEST_F(SettingsWindow, EachRuleBrokenShowsItsMessageAndSavesNothing)
{
    writeSettings({{SettingsKey::destinationFolderPath, path("dest")}});
    const QByteArray before = storedBytes();
    ConfigWindowController* config = open();

    click(config, "watchRemovableDiskDriveButton"); // cards off, watch folder off
    click(config, "okButton");
    click(config, "watchFolderButton"); // watch folder on, no path
    click(config, "applyButton");
    // The same folder as the destination wins, with cards still off; a trailing "/" changes nothing.
    choose(config, "watchFolderTextButton", path("dest") + QLatin1Char('/'));
    click(config, "applyButton");

    EXPECT_EQ(sheetTexts(), QStringList({Strings::text(QStringLiteral("ApplicationMessage5")),
                                         Strings::text(QStringLiteral("ApplicationMessage2")),
                                         Strings::text(QStringLiteral("ApplicationMessage6"))}));
    for (const DialogService::Sheet& sheet : DialogService::shownSheets()) {
        EXPECT_TRUE(sheet.message.isEmpty());
        EXPECT_EQ(sheet.buttonTitle, Strings::text(QStringLiteral("ApplicationMessage99")));
    }
    EXPECT_EQ(storedBytes(), before);
    EXPECT_TRUE(m_applied.isEmpty());
    EXPECT_TRUE(config->window()->isVisible()) << "OK keeps the window open when a rule is broken";
}

TEST_F(SettingsWindow, DestinationWithAFileNamedDeliverIsRefusedAndOneWithoutGetsTheFolderAtOk)
{
    writeSettings({});
    ConfigWindowController* config = open();
    QFile deliverFile(path("watch") + QStringLiteral("/deliver"));
    ASSERT_TRUE(deliverFile.open(QIODevice::WriteOnly));
    deliverFile.close();

    choose(config, "destinationTextFieldButton", path("watch"));
    EXPECT_EQ(sheetTexts(), QStringList{Strings::text(QStringLiteral("ConfigWindow_DeliverIsFileMessage"))});
    EXPECT_TRUE(widget<QLineEdit>(config, "destinationTextField")->text().isEmpty());

    choose(config, "destinationTextFieldButton", QString()); // cancelled: nothing changes
    choose(config, "destinationTextFieldButton", path("dest"));
    EXPECT_FALSE(QFileInfo::exists(path("dest") + QStringLiteral("/deliver"))) << "made only when applied";
    click(config, "okButton");
    EXPECT_TRUE(QFileInfo(path("dest") + QStringLiteral("/deliver")).isDir());
    EXPECT_EQ(stored().value(SettingsKey::destinationFolderPath), path("dest"));
    EXPECT_FALSE(TrevaselWindowManager::sharedInstance().checkWindow(TrevaselWindowManager::Config));
}

TEST_F(SettingsWindow, ApplyWritesTheControlsAndFixedValuesAndHandsTheFileToTheProgram)
{
    writeSettings({{SettingsKey::displayDesktopNotice, false},
                   {SettingsKey::dateFormat, 3},
                   {SettingsKey::dateFormatString, QStringLiteral("YYYY.MM.DD")},
                   {QStringLiteral("a key of a later build"), QStringLiteral("kept")}});
    ConfigWindowController* config = open();
    click(config, "autoSendingButtonCell");
    click(config, "watchFolderButton");
    choose(config, "watchFolderTextButton", path("watch"));
    choose(config, "destinationTextFieldButton", path("dest"));
    click(config, "ejectRemovableDeviceButton");
    click(config, "applyButton");

    const QVariantMap file = stored();
    EXPECT_EQ(file.value(SettingsKey::confirmBeforeSending), qint64(ConfigWindowController::kAutoSendingTag));
    EXPECT_EQ(file.value(SettingsKey::watchFolder), true);
    EXPECT_EQ(file.value(SettingsKey::watchFolderPath), path("watch"));
    EXPECT_EQ(file.value(SettingsKey::ejectRemovableDevice), true);
    for (const char* key : {SettingsKey::displayDesktopNotice, SettingsKey::onlyCameraFormatedSD,
                            SettingsKey::idNumberZeroPadding})
        EXPECT_EQ(file.value(key), QStringLiteral("1")) << key;
    EXPECT_EQ(file.value(SettingsKey::lastBuildNumber), TrevaselCommon::getBuildNumber());
    // The day folder is off, so the list's entry is not taken.
    EXPECT_EQ(file.value(SettingsKey::dateFormatString), QStringLiteral("YYYY.MM.DD"));
    EXPECT_EQ(file.value(QStringLiteral("a key of a later build")), QStringLiteral("kept"));
    ASSERT_EQ(m_applied.size(), 1);
    EXPECT_EQ(m_applied.first(), SettingsSnapshot::fromDictionary(file));

    // The destination was empty when the window opened: the program says once where pictures go now.
    int notices = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String("AlertWindowController") && top->isVisible()) {
            ++notices;
            EXPECT_EQ(top->windowTitle(), Strings::text(QStringLiteral("AlertWindow_Title_Confirm")));
            top->close();
        }
    EXPECT_EQ(notices, 1);
    EXPECT_FALSE(TrevaselWindowManager::sharedInstance().checkWindow(TrevaselWindowManager::Alert));
    click(config, "applyButton");
    EXPECT_EQ(m_applied.size(), 2);
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->objectName() == QLatin1String("AlertWindowController") && top->isVisible());
}

TEST_F(SettingsWindow, CancelWritesNothingAndClosesBothWindows)
{
    writeSettings({{SettingsKey::destinationFolderPath, path("dest")}});
    const QByteArray before = storedBytes();
    ConfigWindowController* config = open();
    click(config, "autoStartUpButton");
    click(config, "detailButton");
    click(config->detailWindow(), "chopCountButton");
    click(config, "cancelButton");

    EXPECT_EQ(storedBytes(), before);
    EXPECT_TRUE(m_applied.isEmpty());
    for (int id : {TrevaselWindowManager::Config, TrevaselWindowManager::DetailConfig})
        EXPECT_FALSE(TrevaselWindowManager::sharedInstance().checkWindow(id)) << id;
}

TEST_F(SettingsWindow, DetailValuesAreTakenOnlyFromADetailWindowThatWasOpenedAndNotCancelled)
{
    const QVariantMap detailStored{{SettingsKey::exportXml, true},
                                   {SettingsKey::zeroPaddingLengthString, QStringLiteral("10")},
                                   {SettingsKey::chopCount, QStringLiteral("yes")},
                                   {SettingsKey::dontAddPatientName, true},
                                   {SettingsKey::destinationFolderPath, path("dest")}};
    writeSettings(detailStored);
    click(open(), "okButton");
    QVariantMap file = stored();
    EXPECT_EQ(file.value(SettingsKey::exportXml), qint64(1));
    EXPECT_EQ(file.value(SettingsKey::zeroPaddingLengthString), qint64(10));
    EXPECT_EQ(file.value(SettingsKey::chopCount), qint64(0));
    flushDeletes();

    // Opened, changed and cancelled: the stored values stay, as integers.
    writeSettings(detailStored);
    ConfigWindowController* config = open();
    click(config, "detailButton");
    click(config->detailWindow(), "chopCameraSerialNumberButton");
    click(config->detailWindow(), "cancelButton");
    click(config, "applyButton");
    EXPECT_EQ(stored().value(SettingsKey::chopCameraSerialNumber), qint64(0));

    // Closed with OK: its values wait for Apply and show again when the detail window reopens.
    click(config, "detailButton");
    click(config->detailWindow(), "chopCountButton");
    click(config->detailWindow(), "okButton");
    flushDeletes();
    click(config, "detailButton");
    DetailConfigWindowController* detail = config->detailWindow();
    EXPECT_TRUE(widget(detail, "chopCountButton")->isChecked());

    // Hidden with Close: its values are taken, the hidden patient-name box among them.
    EXPECT_FALSE(widget(detail, "dontAddPatientNameButton")->isVisible());
    EXPECT_FALSE(widget(detail, "exportXmlButton")->isVisible());
    click(detail, "chopCameraSerialNumberButton");
    click(detail, "zeroPaddingButton");
    click(detail, "closeButton");
    click(config, "okButton");
    file = stored();
    EXPECT_EQ(file.value(SettingsKey::chopCount), true);
    EXPECT_EQ(file.value(SettingsKey::chopCameraSerialNumber), true);
    EXPECT_EQ(file.value(SettingsKey::dontAddPatientName), true);
    EXPECT_EQ(file.value(SettingsKey::zeroPadding), true);
    EXPECT_EQ(file.value(SettingsKey::zeroPaddingLengthString), QStringLiteral("10"));
}

TEST_F(SettingsWindow, BasicEditionWritesExactlyItsOwnKeys)
{
    TrevaselCommon::setEdition(Edition::Basic);
    writeSettings({{SettingsKey::exportXml, true}, {SettingsKey::displayDesktopNotice, QStringLiteral("1")}});
    ConfigWindowController* config = open();
    EXPECT_EQ(widget<QLineEdit>(config, "destinationTextField")->text(),
              TrevaselCommon::getDefaultDestinationDirectory());
    EXPECT_TRUE(widget(config, "detailButton")->isVisible());
    click(config, "displayDesktopNoticeButton");
    click(config, "okButton");

    const QVariantMap file = stored();
    QStringList keys = file.keys();
    QStringList expected = SettingsKey::keysOf(Edition::Basic);
    keys.sort();
    expected.sort();
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(file.value(SettingsKey::displayDesktopNotice), false);
    EXPECT_EQ(file.value(SettingsKey::dateFormatString), QStringLiteral("YYYYMMDD"));
    EXPECT_EQ(m_applied.size(), 1);
}

TEST_F(SettingsWindow, CopyCheckTurnedOffInTheDetailWindowIsSavedAndKeptBySavesWithoutIt)
{
    for (const Edition edition : {Edition::Full, Edition::Basic}) {
        SCOPED_TRACE(edition == Edition::Full ? "full" : "basic");
        TrevaselCommon::setEdition(edition);
        writeSettings({{SettingsKey::destinationFolderPath, path("dest")}});
        ConfigWindowController* config = open();
        click(config, "detailButton");
        DetailConfigWindowController* detail = config->detailWindow();
        ASSERT_NE(detail, nullptr);
        EXPECT_TRUE(widget(detail, "verifyCopiesButton")->isChecked());
        // The basic edition's detail window holds the copy check alone.
        EXPECT_EQ(widget(detail, "chopCountButton")->isVisible(), edition == Edition::Full);
        click(detail, "verifyCopiesButton");
        click(detail, "okButton");
        click(config, "okButton");
        EXPECT_EQ(stored().value(SettingsKey::verifyCopies), false);
        flushDeletes();

        // The next save without the detail window leaves it off.
        click(open(), "okButton");
        EXPECT_EQ(stored().value(SettingsKey::verifyCopies), false);
        flushDeletes();
    }
}

TEST_F(SettingsWindow, FailingToMakeDeliverOrToWriteTheFileSavesNothingAndKeepsTheWindowOpen)
{
    writeSettings({});
    ConfigWindowController* config = open();
    choose(config, "destinationTextFieldButton", path("dest"));
    ASSERT_TRUE(QDir(path("dest")).removeRecursively()); // gone before OK: "deliver" cannot be made
    click(config, "okButton");
    EXPECT_TRUE(stored().value(SettingsKey::destinationFolderPath).toString().isEmpty());

    // A folder where the settings file should be: the write fails and no success is reported.
    ASSERT_TRUE(QDir(path("dest")).mkpath(QStringLiteral("deliver")));
    const QString file = TrevaselCommon::getUserSettingPlistFilePath();
    ASSERT_TRUE(QFile::remove(file) && QDir().mkpath(file));
    click(config, "okButton");

    EXPECT_EQ(sheetTexts(),
              QStringList({Strings::text(QStringLiteral("ConfigWindow_DeliverNotCreatedMessage")),
                           Strings::text(QStringLiteral("ConfigWindow_SaveFailedMessage"))}));
    EXPECT_TRUE(m_applied.isEmpty());
    EXPECT_TRUE(config->window()->isVisible());
}
