#include "ui/ConfigWindowController.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "platform/Logger.h"
#include "ui/AlertWindowController.h"
#include "ui/DetailConfigWindowController.h"
#include "ui/DialogService.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"
#include "ui_ConfigWindowController.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

const QString kDeliver = QStringLiteral("deliver");

// The detail settings that a save without the detail window rewrites as integers. "verify copies"
// came later and stays as it is stored.
const char* const kDetailKeys[] = {
    SettingsKey::exportXml,
    SettingsKey::zeroPadding,
    SettingsKey::zeroPaddingLength,
    SettingsKey::zeroPaddingLengthString,
    SettingsKey::chopCameraSerialNumber,
    SettingsKey::chopCount,
    SettingsKey::dontAddPatientName,
    SettingsKey::dontSendMif,
    SettingsKey::activateAvoidMultipleImportCheck,
};

bool samePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}

} // namespace

ConfigWindowController::ConfigWindowController() : m_ui(new Ui::ConfigWindowController) {}

ConfigWindowController::~ConfigWindowController() = default;

bool ConfigWindowController::isFull() const
{
    return TrevaselCommon::edition() == Edition::Full;
}

void ConfigWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    m_ui->confirmBeforeSendingButton->setId(m_ui->confirmBeforeSendingButtonCell, kConfirmBeforeSendingTag);
    m_ui->confirmBeforeSendingButton->setId(m_ui->autoSendingButtonCell, kAutoSendingTag);
    using C = ConfigWindowController;
    connect(m_ui->watchRemovableDiskDriveButton, &QCheckBox::clicked, this,
            &C::watchRemovableDiskDriveButtonClick);
    connect(m_ui->watchFolderButton, &QCheckBox::clicked, this, &C::watchFolderButtonClick);
    connect(m_ui->ExportOtherDestinationImageButton, &QCheckBox::clicked, this, &C::exportMOVButtonClick);
    connect(m_ui->saveDayFolder, &QCheckBox::clicked, this, &C::saveDayFolderButtonClick);
    connect(m_ui->watchFolderTextButton, &QPushButton::clicked, this, &C::watchFolderTextButtonClick);
    connect(m_ui->destinationTextFieldButton, &QPushButton::clicked, this, &C::destinationFolderButtonClick);
    connect(m_ui->destinationMOVTextButton, &QPushButton::clicked, this, &C::destinationFolderMOVButtonClick);
    connect(m_ui->detailButton, &QPushButton::clicked, this, &C::detailButtonClick);
    connect(m_ui->okButton, &QPushButton::clicked, this, &C::okButtonClick);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &C::cancelButtonClick);
    connect(m_ui->applyButton, &QPushButton::clicked, this, &C::applyButtonClick);
}

void ConfigWindowController::windowDidLoad()
{
    const bool full = isFull();
    // One layout serves both editions; each hides the controls the other one has.
    m_ui->displayDesktopNoticeButton->setVisible(!full);
    for (QWidget* fullOnly : {static_cast<QWidget*>(m_ui->ejectRemovableDeviceButton),
                              static_cast<QWidget*>(m_ui->ExportOtherDestinationImageButton),
                              static_cast<QWidget*>(m_ui->destinationMOVTextField),
                              static_cast<QWidget*>(m_ui->destinationMOVTextButton)})
        fullOnly->setVisible(full);

    const auto title = [](const char* name) { return Strings::text(QString::fromLatin1(name)); };
    window()->setWindowTitle(title("ConfigWindow_Title"));
    m_ui->generalBox->setTitle(title("ConfigWindow_GeneralBoxTitle"));
    m_ui->watchBox->setTitle(title("ConfigWindow_WatchBoxTitle"));
    m_ui->destinationBox->setTitle(title("ConfigWindow_DestinationBoxTitle"));
    m_ui->autoStartUpButton->setText(title("ConfigWindow_AutoStartupButton"));
    m_ui->displayDesktopNoticeButton->setText(title("ConfigWindow_DisplayDesktopNoticeButton"));
    m_ui->watchRemovableDiskDriveButton->setText(title("ConfigWindow_WatchRemovableDiskDriveButton"));
    m_ui->noticeLabel->setText(title("ConfigWindow_NoticeLabel"));
    m_ui->confirmBeforeSendingButtonCell->setText(title("ConfigWindow_ConfirmBeforeSending"));
    m_ui->autoSendingButtonCell->setText(title("ConfigWindow_AutoSending"));
    m_ui->ejectRemovableDeviceButton->setText(title("ConfigWindow_EjectRemovableDeviceButton"));
    m_ui->watchFolderButton->setText(title("ConfigWindow_WatchFolderButton"));
    m_ui->watchFolderTextButton->setText(title("ConfigWindow_WatchFolderTextButton"));
    m_ui->destinationTextFieldButton->setText(title("ConfigWindow_DestinationTextFieldButton"));
    m_ui->ExportOtherDestinationImageButton->setText(
        title("ConfigWindow_ExportOtherDestinationMOVImageButton"));
    m_ui->destinationMOVTextButton->setText(title("ConfigWindow_DestinationMOVTextButton"));
    m_ui->deleteOriginalImageButton->setText(title("ConfigWindow_DeleteOriginalImageButton"));
    m_ui->deleteOriginalImageLabel->setText(title("ConfigWindow_DeleteOriginalImageLabel"));
    m_ui->dontSendPatientInformationImageButton->setText(
        title("ConfigWindow_DontSendPatientInformationImageButton"));
    m_ui->saveDayFolder->setText(title("ConfigWindow_SaveDayFolder"));
    m_ui->dateFormatLabel->setText(title("ConfigWindow_DateFormatLabel"));
    m_ui->okButton->setText(title("ConfigWindow_OKButton"));
    m_ui->cancelButton->setText(title("ConfigWindow_CancelButton"));
    m_ui->applyButton->setText(title("ConfigWindow_ApplyButton"));
    m_ui->detailButton->setText(title("ConfigWindow_DetailConfigButton"));

    const SettingsSnapshotPtr settings = SettingsSnapshot::read();
    m_ui->autoStartUpButton->setChecked(settings->autoStartUp);
    m_ui->displayDesktopNoticeButton->setChecked(settings->displayDesktopNotice);
    m_ui->watchRemovableDiskDriveButton->setChecked(settings->watchRemovableDiskDrive);
    // Any tag but the confirmation's means importing at once.
    (settings->confirmsBeforeCardImport() ? m_ui->confirmBeforeSendingButtonCell
                                          : m_ui->autoSendingButtonCell)
        ->setChecked(true);
    m_ui->ejectRemovableDeviceButton->setChecked(settings->ejectRemovableDevice);
    m_ui->watchFolderButton->setChecked(settings->watchFolder);
    m_ui->watchFolderTextField->setText(settings->watchFolderPath);
    QString destination = settings->destinationFolderPath;
    if (!full && destination.isEmpty())
        destination = TrevaselCommon::getDefaultDestinationDirectory();
    m_ui->destinationTextField->setText(destination);
    m_ui->ExportOtherDestinationImageButton->setChecked(settings->destinationFolderMov);
    m_ui->destinationMOVTextField->setText(settings->destinationFolderPathMov);
    m_ui->deleteOriginalImageButton->setChecked(settings->deleteOriginalImage);
    m_ui->dontSendPatientInformationImageButton->setChecked(settings->dontSendPatientInformationImage);
    m_ui->saveDayFolder->setChecked(settings->saveDaySubfolder);
    selectStoredEntry(m_ui->dateFormatComboBox, settings->dateFormat, settings->dateFormatString);

    watchRemovableDiskDriveButtonClick();
    watchFolderButtonClick();
    exportMOVButtonClick();
    saveDayFolderButtonClick();

    m_detailOpened = false;
    m_destinationWasEmpty = m_ui->destinationTextField->text().isEmpty();
}

void ConfigWindowController::watchRemovableDiskDriveButtonClick()
{
    const bool on = m_ui->watchRemovableDiskDriveButton->isChecked();
    m_ui->confirmBeforeSendingButtonCell->setEnabled(on);
    m_ui->autoSendingButtonCell->setEnabled(on);
    m_ui->ejectRemovableDeviceButton->setEnabled(on);
}

void ConfigWindowController::watchFolderButtonClick()
{
    const bool on = m_ui->watchFolderButton->isChecked();
    m_ui->watchFolderTextField->setEnabled(on);
    m_ui->watchFolderTextButton->setEnabled(on);
}

void ConfigWindowController::exportMOVButtonClick()
{
    const bool on = m_ui->ExportOtherDestinationImageButton->isChecked();
    m_ui->destinationMOVTextField->setEnabled(on);
    m_ui->destinationMOVTextButton->setEnabled(on);
}

void ConfigWindowController::saveDayFolderButtonClick()
{
    const bool on = m_ui->saveDayFolder->isChecked();
    m_ui->dateFormatLabel->setEnabled(on);
    m_ui->dateFormatComboBox->setEnabled(on);
}

void ConfigWindowController::chooseFolder(const char* titleKey, const QString& current,
                                          std::function<void(const QString&)> chosen)
{
    // With no folder yet, the chooser starts in the user's pictures, not wherever the program was
    // started from.
    QString start = current;
    if (start.isEmpty())
        start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    DialogService::chooseFolder(window(),
                                {Strings::text(QString::fromLatin1(titleKey)),
                                 Strings::text(QStringLiteral("ConfigWindow_FolderChooserButton")), start},
                                std::move(chosen));
}

void ConfigWindowController::showMessage(const QString& text, const QString& buttonTitle)
{
    DialogService::showSheet(window(), {QString(), text, buttonTitle});
}

void ConfigWindowController::watchFolderTextButtonClick()
{
    chooseFolder("ConfigWindow_WatchFolderChooserTitle", m_ui->watchFolderTextField->text(),
                 [this](const QString& chosen) { m_ui->watchFolderTextField->setText(chosen); });
}

void ConfigWindowController::destinationFolderMOVButtonClick()
{
    chooseFolder("ConfigWindow_DestinationMOVChooserTitle", m_ui->destinationMOVTextField->text(),
                 [this](const QString& chosen) { m_ui->destinationMOVTextField->setText(chosen); });
}

void ConfigWindowController::destinationFolderButtonClick()
{
    chooseFolder("ConfigWindow_DestinationChooserTitle", m_ui->destinationTextField->text(),
                 [this](const QString& chosen) { destinationFolderChosen(chosen); });
}

void ConfigWindowController::destinationFolderChosen(const QString& chosen)
{
    if (isFull()) {
        const QFileInfo deliver(QDir(chosen).filePath(kDeliver));
        // The XML descriptions go into "deliver"; a file of that name would make every import fail.
        if (deliver.exists() && !deliver.isDir()) {
            showMessage(Strings::text(QStringLiteral("ConfigWindow_DeliverIsFileMessage")),
                        QStringLiteral("OK"));
            return;
        }
        if (!deliver.exists())
            m_deliverPending = true;
    }
    m_ui->destinationTextField->setText(chosen);
}

void ConfigWindowController::detailButtonClick()
{
    if (!m_detailWindow) {
        TrevaselWindowManager& manager =
            trevaselWindowManager() ? *trevaselWindowManager() : TrevaselWindowManager::sharedInstance();
        m_detailWindow = qobject_cast<DetailConfigWindowController*>(
            manager.getWindowController(TrevaselWindowManager::DetailConfig));
        if (!m_detailWindow)
            return;
        // Values accepted earlier and not applied yet are shown again rather than the file's.
        if (m_acceptedDetailValues && !m_detailWindow->isWindowLoaded())
            m_detailWindow->setInitialValues(*m_acceptedDetailValues);
        connect(m_detailWindow, &DetailConfigWindowController::finished, this,
                &ConfigWindowController::detailWindowFinished);
    }
    m_detailWindow->showWindow();
    m_detailWindow->orderFront();
    m_detailOpened = true;
}

void ConfigWindowController::detailWindowFinished(bool accepted, const QVariantMap& values)
{
    m_detailWindow = nullptr;
    if (accepted)
        m_acceptedDetailValues = values;
    else
        m_acceptedDetailValues.reset();
}

std::optional<QVariantMap> ConfigWindowController::detailValues() const
{
    if (!m_detailOpened)
        return std::nullopt;
    if (m_detailWindow && m_detailWindow->isWindowLoaded())
        return m_detailWindow->settingsValues();
    return m_acceptedDetailValues;
}

void ConfigWindowController::showWelcome()
{
    showWindow();
    orderFront();
    const QString program = isFull() ? QStringLiteral("TrevaselForPravena") : QStringLiteral("Trevasel");
    m_ui->welcomeLabel->setText(Strings::text(QStringLiteral("ConfigWindow_WelcomeLabel")).arg(program));
    m_ui->welcomeLabel->setVisible(true);
    window()->adjustSize();
    destinationFolderButtonClick();
}

QString ConfigWindowController::checkSetting() const
{
    const bool watchFolder = m_ui->watchFolderButton->isChecked();
    const QString watchFolderPath = m_ui->watchFolderTextField->text();
    // Saved empty, the settings would import nowhere, and say so only at the next start.
    if (m_ui->destinationTextField->text().trimmed().isEmpty())
        return Strings::text(QStringLiteral("ConfigWindow_DestinationEmptyMessage"));
    if (watchFolder && samePath(m_ui->destinationTextField->text(), watchFolderPath))
        return Strings::text(QStringLiteral("ApplicationMessage6"));
    if (!m_ui->watchRemovableDiskDriveButton->isChecked() && !watchFolder)
        return Strings::text(QStringLiteral("ApplicationMessage5"));
    if (isFull() && watchFolder && watchFolderPath.isEmpty())
        return Strings::text(QStringLiteral("ApplicationMessage2"));
    return {};
}

bool ConfigWindowController::applyButtonClick()
{
    // The detail window's values are taken as they stand; it says itself what is wrong with them.
    if (m_detailWindow && m_detailWindow->isWindowLoaded() && !m_detailWindow->checkValues()) {
        m_detailWindow->showWindow();
        m_detailWindow->orderFront();
        return false;
    }
    if (const QString message = checkSetting(); !message.isEmpty()) {
        showMessage(message, Strings::text(QStringLiteral("ApplicationMessage99")));
        return false;
    }
    const QString destination = m_ui->destinationTextField->text();
    if (isFull() && m_deliverPending && !QFileInfo::exists(QDir(destination).filePath(kDeliver))) {
        if (destination.isEmpty() || !QDir(destination).mkdir(kDeliver)) {
            showMessage(Strings::text(QStringLiteral("ConfigWindow_DeliverNotCreatedMessage")),
                        QStringLiteral("OK"));
            return false;
        }
        m_deliverPending = false;
    }
    if (!saveSettings()) {
        showMessage(Strings::text(QStringLiteral("ConfigWindow_SaveFailedMessage")), QStringLiteral("OK"));
        return false;
    }

    const SettingsSnapshotPtr settings = SettingsSnapshot::read();
    if (!isFull())
        Logger::debug(QStringLiteral("_watchFolderButton.state:[%1]")
                          .arg(m_ui->watchFolderButton->isChecked() ? 1 : 0));
    Q_EMIT settingsApplied(settings);
    if (isFull() && m_destinationWasEmpty && !settings->destinationFolderPath.isEmpty())
        showFirstDestinationNotice();
    return true;
}

void ConfigWindowController::showFirstDestinationNotice()
{
    // Made outside the registry, so that an alert of a source that is open stays as it is.
    auto* alert = new AlertWindowController;
    alert->setMessage(Strings::text(QStringLiteral("ApplicationMessage28")));
    alert->setConfirmTitleFlag(true);
    alert->showWindow();
    alert->orderFront();
    m_destinationWasEmpty = false;
}

void ConfigWindowController::okButtonClick()
{
    if (applyButtonClick())
        cancelButtonClick();
}

void ConfigWindowController::cancelButtonClick()
{
    closeDetailWindow();
    close();
}

void ConfigWindowController::closeDetailWindow()
{
    if (!m_detailWindow)
        return;
    DetailConfigWindowController* detail = m_detailWindow;
    m_detailWindow = nullptr;
    disconnect(detail, nullptr, this, nullptr);
    detail->close();
}

void ConfigWindowController::windowWillClose()
{
    // A hidden detail window must not outlive the settings window it belongs to: the next settings
    // window would find it in the registry with values loaded for this one.
    closeDetailWindow();
    BaseWindowController::windowWillClose();
}

qint64 ConfigWindowController::getIntegerSettingValue(const QVariant& value)
{
    if (!value.isValid())
        return 0;
    const QString text = SettingsValue::stringValue(value);
    if (!TrevaselCommon::isDigit(text))
        return 0;
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    return ok ? number : SettingsValue::intValue(value);
}

bool ConfigWindowController::saveSettings()
{
    const QVariantMap stored = TrevaselCommon::getUserSettingDictionary();
    return TrevaselCommon::writeUserSettingDictionary(isFull() ? fullSettings(stored)
                                                               : basicSettings(stored));
}

QVariantMap ConfigWindowController::fullSettings(QVariantMap settings) const
{
    settings.insert(key(SettingsKey::autoStartUp), m_ui->autoStartUpButton->isChecked());
    settings.insert(key(SettingsKey::watchRemovableDiskDrive),
                    m_ui->watchRemovableDiskDriveButton->isChecked());
    settings.insert(key(SettingsKey::watchFolder), m_ui->watchFolderButton->isChecked());
    settings.insert(key(SettingsKey::destinationFolderMov),
                    m_ui->ExportOtherDestinationImageButton->isChecked());
    settings.insert(key(SettingsKey::deleteOriginalImage), m_ui->deleteOriginalImageButton->isChecked());
    settings.insert(key(SettingsKey::dontSendPatientInformationImage),
                    m_ui->dontSendPatientInformationImageButton->isChecked());
    settings.insert(key(SettingsKey::ejectRemovableDevice), m_ui->ejectRemovableDeviceButton->isChecked());
    settings.insert(key(SettingsKey::saveDaySubfolder), m_ui->saveDayFolder->isChecked());
    settings.insert(key(SettingsKey::confirmBeforeSending),
                    qint64(m_ui->confirmBeforeSendingButton->checkedId()));
    settings.insert(key(SettingsKey::watchFolderPath), m_ui->watchFolderTextField->text());
    settings.insert(key(SettingsKey::destinationFolderPath), m_ui->destinationTextField->text());
    settings.insert(key(SettingsKey::destinationFolderPathMov), m_ui->destinationMOVTextField->text());
    if (m_ui->saveDayFolder->isChecked()) {
        settings.insert(key(SettingsKey::dateFormat), qint64(m_ui->dateFormatComboBox->currentIndex()));
        settings.insert(key(SettingsKey::dateFormatString), m_ui->dateFormatComboBox->currentText());
    }
    const QString one = QStringLiteral("1");
    settings.insert(key(SettingsKey::displayDesktopNotice), one);
    settings.insert(key(SettingsKey::onlyCameraFormatedSD), one);
    settings.insert(key(SettingsKey::idNumberZeroPadding), one);
    const QString build = TrevaselCommon::getBuildNumber();
    if (SettingsValue::intValue(settings, key(SettingsKey::lastBuildNumber)) < SettingsValue::intValue(build))
        settings.insert(key(SettingsKey::lastBuildNumber), build);

    if (const std::optional<QVariantMap> detail = detailValues()) {
        settings.insert(*detail);
    } else {
        for (const char* name : kDetailKeys)
            settings.insert(key(name), getIntegerSettingValue(settings.value(key(name))));
    }
    return settings;
}

QVariantMap ConfigWindowController::basicSettings(const QVariantMap& stored) const
{
    const QString one = QStringLiteral("1");
    // The detail window's copy check when it was opened, else the file's (on when the file lacks it).
    const QString verifyCopies = key(SettingsKey::verifyCopies);
    const std::optional<QVariantMap> detail = detailValues();
    const bool verify = detail && detail->contains(verifyCopies)
                            ? detail->value(verifyCopies).toBool()
                            : SettingsSnapshot::fromDictionary(stored, Edition::Basic).verifyCopies;
    return {
        {key(SettingsKey::displayDesktopNotice), m_ui->displayDesktopNoticeButton->isChecked()},
        {key(SettingsKey::autoStartUp), m_ui->autoStartUpButton->isChecked()},
        {key(SettingsKey::watchRemovableDiskDrive), m_ui->watchRemovableDiskDriveButton->isChecked()},
        {key(SettingsKey::confirmBeforeSending), qint64(m_ui->confirmBeforeSendingButton->checkedId())},
        {key(SettingsKey::watchFolder), m_ui->watchFolderButton->isChecked()},
        {key(SettingsKey::watchFolderPath), m_ui->watchFolderTextField->text()},
        {key(SettingsKey::destinationFolderPath), m_ui->destinationTextField->text()},
        {key(SettingsKey::deleteOriginalImage), m_ui->deleteOriginalImageButton->isChecked()},
        {key(SettingsKey::dontSendPatientInformationImage),
         m_ui->dontSendPatientInformationImageButton->isChecked()},
        {key(SettingsKey::saveDaySubfolder), m_ui->saveDayFolder->isChecked()},
        {key(SettingsKey::dateFormat), qint64(m_ui->dateFormatComboBox->currentIndex())},
        {key(SettingsKey::dateFormatString), m_ui->dateFormatComboBox->currentText()},
        {key(SettingsKey::versionCheckSite),
         SettingsValue::stringValue(stored, key(SettingsKey::versionCheckSite))},
        {key(SettingsKey::onlyCameraFormatedSD), one},
        {key(SettingsKey::idNumberZeroPadding), one},
        {key(SettingsKey::lastBuildNumber), TrevaselCommon::getBuildNumber()},
        {verifyCopies, verify},
    };
}
