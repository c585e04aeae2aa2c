#include "ui/DetailConfigWindowController.h"

#include "app/SettingsKeys.h"
#include "app/SettingsSnapshot.h"
#include "app/TrevaselCommon.h"
#include "ui/Strings.h"
#include "ui_DetailConfigWindowController.h"

#include <QStyle>

#include <initializer_list>

namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

} // namespace

DetailConfigWindowController::DetailConfigWindowController() : m_ui(new Ui::DetailConfigWindowController) {}

DetailConfigWindowController::~DetailConfigWindowController() = default;

void DetailConfigWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->zeroPaddingButton, &QCheckBox::clicked, this,
            &DetailConfigWindowController::zeroPaddingButtonClick);
    connect(m_ui->okButton, &QPushButton::clicked, this, &DetailConfigWindowController::okButtonClick);
    connect(m_ui->cancelButton, &QPushButton::clicked, this,
            &DetailConfigWindowController::cancelButtonClick);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &DetailConfigWindowController::closeButtonClick);
}

void DetailConfigWindowController::windowDidLoad()
{
    const Edition edition = TrevaselCommon::edition();
    if (edition == Edition::Basic) {
        // The basic edition files pictures its own way and knows none of these keys.
        for (QWidget* fullOnly : std::initializer_list<QWidget*>{
                 m_ui->zeroPaddingButton, m_ui->zeroPaddingLabel, m_ui->zeroPaddingComboBox,
                 m_ui->chopCameraSerialNumberButton, m_ui->chopCountButton, m_ui->dontAddPatientNameButton,
                 m_ui->chopAlertMessage, m_ui->exportXmlButton, m_ui->dontSendMIFButton,
                 m_ui->activateMultipleImportCheck})
            fullOnly->hide();
    } else if (!m_showAllItems) {
        m_ui->dontAddPatientNameButton->hide();
        m_ui->exportXmlButton->hide();
    }

    window()->setWindowTitle(Strings::text(QStringLiteral("DetailConfigWindow_Title")));
    m_ui->iconLabel->setPixmap(window()->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    m_ui->alertMessage->setText(Strings::text(QStringLiteral("DetailConfigWindow_NoticeMessage")));
    m_ui->exportXmlButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_XMLExportTitle")));
    m_ui->zeroPaddingButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_ZeroPaddingTitle")));
    m_ui->zeroPaddingLabel->setText(
        Strings::text(QStringLiteral("DetailConfigWindow_ZeroPaddingLengthLabel")));
    m_ui->chopCameraSerialNumberButton->setText(
        Strings::text(QStringLiteral("DetailConfigWindow_SerialNoTitle")));
    m_ui->chopCountButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_ChopCountTitle")));
    m_ui->chopAlertMessage->setText(
        Strings::text(QStringLiteral("DetailConfigWindow_PatientIDNoticeMessage")));
    m_ui->dontAddPatientNameButton->setText(
        Strings::text(QStringLiteral("DetailConfigWindow_DontAddPatientNameTitle")));
    m_ui->dontSendMIFButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_dontSendMIFTitle")));
    m_ui->activateMultipleImportCheck->setText(
        Strings::text(QStringLiteral("DetailConfigWindow_AvoidMultipleImportTitle")));
    m_ui->verifyCopiesButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_VerifyCopiesTitle")));
    m_ui->okButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_OKButton")));
    m_ui->cancelButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_CancelButton")));
    m_ui->closeButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_CloseButton")));

    // The values accepted earlier and not yet applied go over the file's.
    QVariantMap stored = TrevaselCommon::getUserSettingDictionary();
    stored.insert(m_initialValues);
    const SettingsSnapshot settings = SettingsSnapshot::fromDictionary(stored, edition);
    m_ui->exportXmlButton->setChecked(settings.exportXml);
    m_ui->zeroPaddingButton->setChecked(settings.zeroPadding);
    m_ui->chopCameraSerialNumberButton->setChecked(settings.chopCameraSerialNumber);
    m_ui->chopCountButton->setChecked(settings.chopCount);
    m_ui->dontAddPatientNameButton->setChecked(settings.dontAddPatientName);
    m_ui->dontSendMIFButton->setChecked(settings.dontSendMif);
    m_ui->activateMultipleImportCheck->setChecked(settings.historyCheck);
    m_ui->verifyCopiesButton->setChecked(settings.verifyCopies);
    selectStoredEntry(m_ui->zeroPaddingComboBox, settings.zeroPaddingLengthIndex,
                      QString::number(settings.zeroPaddingLength));
    zeroPaddingButtonClick();
}

QVariantMap DetailConfigWindowController::settingsValues() const
{
    if (!isWindowLoaded())
        return {};
    const bool verifyCopies = m_ui->verifyCopiesButton->isChecked();
    if (TrevaselCommon::edition() == Edition::Basic)
        return {{key(SettingsKey::verifyCopies), verifyCopies}};
    QVariantMap values{
        {key(SettingsKey::exportXml), m_ui->exportXmlButton->isChecked()},
        {key(SettingsKey::zeroPadding), m_ui->zeroPaddingButton->isChecked()},
        {key(SettingsKey::chopCameraSerialNumber), m_ui->chopCameraSerialNumberButton->isChecked()},
        {key(SettingsKey::chopCount), m_ui->chopCountButton->isChecked()},
        {key(SettingsKey::dontAddPatientName), m_ui->dontAddPatientNameButton->isChecked()},
        {key(SettingsKey::dontSendMif), m_ui->dontSendMIFButton->isChecked()},
        {key(SettingsKey::activateAvoidMultipleImportCheck), m_ui->activateMultipleImportCheck->isChecked()},
        {key(SettingsKey::verifyCopies), verifyCopies},
    };
    if (m_ui->zeroPaddingButton->isChecked()) {
        values.insert(key(SettingsKey::zeroPaddingLength), qint64(m_ui->zeroPaddingComboBox->currentIndex()));
        values.insert(key(SettingsKey::zeroPaddingLengthString), m_ui->zeroPaddingComboBox->currentText());
    }
    return values;
}

void DetailConfigWindowController::zeroPaddingButtonClick()
{
    const bool on = m_ui->zeroPaddingButton->isChecked();
    m_ui->zeroPaddingLabel->setEnabled(on);
    m_ui->zeroPaddingComboBox->setEnabled(on);
}

void DetailConfigWindowController::okButtonClick()
{
    m_accepted = true;
    close();
}

void DetailConfigWindowController::cancelButtonClick()
{
    close();
}

void DetailConfigWindowController::closeButtonClick()
{
    window()->hide();
}

void DetailConfigWindowController::windowWillClose()
{
    Q_EMIT finished(m_accepted, m_accepted ? settingsValues() : QVariantMap());
    BaseWindowController::windowWillClose();
}
