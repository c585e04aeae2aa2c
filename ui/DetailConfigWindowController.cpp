#include "ui/DetailConfigWindowController.h"

#include "app/SettingsKeyTypes.h"
#include "app/SettingsKeys.h"
#include "app/SettingsSnapshot.h"
#include "app/TrevaselCommon.h"
#include "ui/DialogService.h"
#include "ui/Strings.h"
#include "ui_DetailConfigWindowController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyle>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <initializer_list>

namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

QString text(const char* name)
{
    return Strings::text(QString::fromLatin1(name));
}

// The settings' own defaults, for a file written before they existed.
const QString kDefaultCalledAeTitle = QStringLiteral("ANY-SCP");
const QString kDefaultCallingAeTitle = QStringLiteral("TREVASEL");

// "host:port", an IPv6 address in brackets so that its colons stay readable.
QString peerAddress(const DicomPeer& peer)
{
    const QString host = peer.host.contains(u':') ? QStringLiteral("[%1]").arg(peer.host) : peer.host;
    return QStringLiteral("%1:%2").arg(host).arg(peer.port);
}

// The imaging server's tests get threads of their own. Qt draws images on the global pool's threads
// and waits for them on the window thread: a server slow to answer must never hold that up. The pool
// goes with the application, which waits for a test still running.
QThreadPool* peerTestPool()
{
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(4);
    }
    return pool;
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
    connect(m_ui->dicomExportButton, &QCheckBox::clicked, this,
            &DetailConfigWindowController::dicomButtonClick);
    connect(m_ui->dicomSendButton, &QCheckBox::clicked, this,
            &DetailConfigWindowController::dicomButtonClick);
    connect(m_ui->dicomFolderButton, &QPushButton::clicked, this,
            &DetailConfigWindowController::dicomFolderButtonClick);
    connect(m_ui->dicomTestButton, &QPushButton::clicked, this,
            &DetailConfigWindowController::dicomTestButtonClick);
    // A message about a value goes once the value is being changed.
    const auto clearMessage = [this] { showMessage(QString()); };
    for (QLineEdit* field : {m_ui->dicomFolderTextField, m_ui->dicomHostTextField,
                             m_ui->dicomCalledAeTitleTextField, m_ui->dicomCallingAeTitleTextField})
        connect(field, &QLineEdit::textChanged, this, clearMessage);
    connect(m_ui->dicomExportButton, &QCheckBox::toggled, this, clearMessage);
    connect(m_ui->dicomSendButton, &QCheckBox::toggled, this, clearMessage);
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
                 m_ui->activateMultipleImportCheck, m_ui->dicomBox})
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
    m_ui->dicomBox->setTitle(text("DetailConfigWindow_DicomBoxTitle"));
    m_ui->dicomExportButton->setText(text("DetailConfigWindow_DicomExportTitle"));
    m_ui->dicomFolderLabel->setText(text("DetailConfigWindow_DicomFolderLabel"));
    m_ui->dicomFolderButton->setText(text("DetailConfigWindow_DicomFolderButton"));
    m_ui->dicomSendButton->setText(text("DetailConfigWindow_DicomSendTitle"));
    m_ui->dicomHostLabel->setText(text("DetailConfigWindow_DicomHostLabel"));
    m_ui->dicomHostTextField->setPlaceholderText(text("DetailConfigWindow_DicomHostPlaceholder"));
    m_ui->dicomPortLabel->setText(text("DetailConfigWindow_DicomPortLabel"));
    m_ui->dicomCalledAeTitleLabel->setText(text("DetailConfigWindow_DicomCalledAeTitleLabel"));
    m_ui->dicomCallingAeTitleLabel->setText(text("DetailConfigWindow_DicomCallingAeTitleLabel"));
    // Whoever sets up the server knows the DICOM words for them.
    m_ui->dicomCalledAeTitleTextField->setToolTip(text("DetailConfigWindow_DicomCalledAeTitleToolTip"));
    m_ui->dicomCallingAeTitleTextField->setToolTip(text("DetailConfigWindow_DicomCallingAeTitleToolTip"));
    m_ui->dicomTestButton->setText(text("DetailConfigWindow_DicomTestButton"));
    m_ui->dicomTestButton->setVisible(bool(m_peerTest));
    m_ui->dicomTestResultLabel->hide();
    m_ui->settingsMessageIcon->setPixmap(
        window()->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    showMessage(QString());
    // Room for sixteen characters in an AE title field, and no more.
    const QFontMetrics metrics = m_ui->dicomCalledAeTitleTextField->fontMetrics();
    for (QLineEdit* field : {m_ui->dicomCalledAeTitleTextField, m_ui->dicomCallingAeTitleTextField})
        field->setFixedWidth(metrics.horizontalAdvance(QString(16, u'N')) + 12);
    // A one-line answer stands level with the button's title; a longer one runs down from there.
    m_ui->dicomTestResultLabel->setMinimumHeight(m_ui->dicomTestButton->sizeHint().height());

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

    m_ui->dicomExportButton->setChecked(settings.dicomExport);
    m_ui->dicomFolderTextField->setText(settings.dicomFolderPath);
    m_ui->dicomSendButton->setChecked(settings.dicomSend);
    const DicomPeer& peer = settings.dicomPeer;
    m_ui->dicomHostTextField->setText(peer.host);
    m_ui->dicomPortSpinBox->setValue(peer.port >= 1 && peer.port <= 65535 ? peer.port : DicomPeer().port);
    m_ui->dicomCalledAeTitleTextField->setText(peer.calledAeTitle.isEmpty() ? kDefaultCalledAeTitle
                                                                            : peer.calledAeTitle);
    m_ui->dicomCallingAeTitleTextField->setText(peer.callingAeTitle.isEmpty() ? kDefaultCallingAeTitle
                                                                              : peer.callingAeTitle);
    dicomButtonClick();
    showMessage(QString());
}

void DetailConfigWindowController::setPeerTest(PeerTest test)
{
    m_peerTest = std::move(test);
    if (isWindowLoaded())
        m_ui->dicomTestButton->setVisible(bool(m_peerTest));
}

DicomPeer DetailConfigWindowController::peerInFields() const
{
    DicomPeer peer;
    peer.host = m_ui->dicomHostTextField->text().trimmed();
    peer.port = m_ui->dicomPortSpinBox->value();
    // Spaces around an AE title do not count in DICOM.
    peer.calledAeTitle = m_ui->dicomCalledAeTitleTextField->text().trimmed();
    peer.callingAeTitle = m_ui->dicomCallingAeTitleTextField->text().trimmed();
    return peer;
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
        {key(SettingsKey::dicomExport), m_ui->dicomExportButton->isChecked()},
        {key(SettingsKey::dicomFolderPath), m_ui->dicomFolderTextField->text()},
        {key(SettingsKey::dicomSend), m_ui->dicomSendButton->isChecked()},
    };
    const DicomPeer peer = peerInFields();
    values.insert(key(SettingsKey::dicomPeerHost), peer.host);
    values.insert(key(SettingsKey::dicomPeerPort), qint64(peer.port));
    values.insert(key(SettingsKey::dicomCalledAeTitle), peer.calledAeTitle);
    values.insert(key(SettingsKey::dicomCallingAeTitle), peer.callingAeTitle);
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

void DetailConfigWindowController::dicomButtonClick()
{
    const bool exporting = m_ui->dicomExportButton->isChecked();
    const bool sending = exporting && m_ui->dicomSendButton->isChecked();
    for (QWidget* exportSetting :
         std::initializer_list<QWidget*>{m_ui->dicomFolderLabel, m_ui->dicomFolderTextField,
                                         m_ui->dicomFolderButton, m_ui->dicomSendButton})
        exportSetting->setEnabled(exporting);
    for (QWidget* sendSetting : std::initializer_list<QWidget*>{
             m_ui->dicomHostLabel, m_ui->dicomHostTextField, m_ui->dicomPortLabel, m_ui->dicomPortSpinBox,
             m_ui->dicomCalledAeTitleLabel, m_ui->dicomCalledAeTitleTextField, m_ui->dicomCallingAeTitleLabel,
             m_ui->dicomCallingAeTitleTextField, m_ui->dicomTestResultLabel})
        sendSetting->setEnabled(sending);
    m_ui->dicomTestButton->setEnabled(sending && !m_peerTestWatcher);
}

void DetailConfigWindowController::dicomFolderButtonClick()
{
    QString start = m_ui->dicomFolderTextField->text();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    DialogService::chooseFolder(
        window(),
        {text("DetailConfigWindow_DicomFolderChooserTitle"), text("ConfigWindow_FolderChooserButton"), start},
        [this](const QString& chosen) { m_ui->dicomFolderTextField->setText(QDir::cleanPath(chosen)); });
}

DetailConfigWindowController::Refusal DetailConfigWindowController::peerRefusal(bool withHost) const
{
    const DicomPeer peer = peerInFields();
    if (withHost && !SettingsKey::isHostName(peer.host))
        return {text("DetailConfigWindow_DicomHostMessage"), m_ui->dicomHostTextField};
    if (!SettingsKey::isAeTitle(peer.calledAeTitle))
        return {text("DetailConfigWindow_DicomCalledAeTitleMessage"), m_ui->dicomCalledAeTitleTextField};
    if (!SettingsKey::isAeTitle(peer.callingAeTitle))
        return {text("DetailConfigWindow_DicomCallingAeTitleMessage"), m_ui->dicomCallingAeTitleTextField};
    return {};
}

DetailConfigWindowController::Refusal DetailConfigWindowController::refusal() const
{
    if (TrevaselCommon::edition() == Edition::Basic)
        return {};
    const bool exporting = m_ui->dicomExportButton->isChecked();
    const QString folder = m_ui->dicomFolderTextField->text();
    if (exporting && folder.trimmed().isEmpty())
        return {text("DetailConfigWindow_DicomFolderEmptyMessage"), m_ui->dicomFolderButton};
    // A relative path would follow whatever folder the program was started from.
    if (exporting && !QDir::isAbsolutePath(folder))
        return {text("DetailConfigWindow_DicomFolderRelativeMessage").arg(folder), m_ui->dicomFolderButton};
    // Unused while nothing is sent, the AE titles still go into the file, which takes only valid ones.
    return peerRefusal(exporting && m_ui->dicomSendButton->isChecked());
}

bool DetailConfigWindowController::checkValues()
{
    if (!isWindowLoaded())
        return true;
    const Refusal why = refusal();
    showMessage(why.message);
    if (why.field && why.field->isEnabled())
        why.field->setFocus(Qt::OtherFocusReason);
    return why.message.isEmpty();
}

void DetailConfigWindowController::showMessage(const QString& message)
{
    m_ui->settingsMessageLabel->setText(message);
    m_ui->settingsMessageLabel->setVisible(!message.isEmpty());
    m_ui->settingsMessageIcon->setVisible(!message.isEmpty());
    fitWindowHeight();
}

void DetailConfigWindowController::fitWindowHeight()
{
    // A message of several lines must not be cut off: the window grows to the height its width needs.
    QLayout* layout = window()->layout();
    layout->activate();
    const int height = layout->totalHeightForWidth(window()->width());
    if (height > window()->height())
        window()->resize(window()->width(), height);
}

void DetailConfigWindowController::dicomTestButtonClick()
{
    if (!m_peerTest || m_peerTestWatcher)
        return;
    m_ui->dicomTestResultLabel->show();
    if (const Refusal why = peerRefusal(true); !why.message.isEmpty()) {
        m_ui->dicomTestResultLabel->setText(why.message);
        fitWindowHeight();
        why.field->setFocus(Qt::OtherFocusReason);
        return;
    }
    const DicomPeer peer = peerInFields();
    m_ui->dicomTestResultLabel->setText(text("DetailConfigWindow_DicomTesting"));
    fitWindowHeight();
    auto* watcher = new QFutureWatcher<PeerTestAnswer>(this);
    m_peerTestWatcher = watcher;
    m_ui->dicomTestButton->setEnabled(false);
    connect(watcher, &QFutureWatcher<PeerTestAnswer>::finished, this, [this, watcher, peer] {
        const PeerTestAnswer answer = watcher->result();
        watcher->deleteLater();
        m_peerTestWatcher = nullptr;
        showPeerTestAnswer(peer, answer);
        dicomButtonClick();
    });
    // The pool thread gets copies of the tester and the values: the window may be gone before the
    // server answers. No exception may reach the window thread through the future.
    watcher->setFuture(QtConcurrent::run(peerTestPool(), [test = m_peerTest, peer]() -> PeerTestAnswer {
        try {
            return test(peer);
        } catch (const std::exception& e) {
            return {PeerTestAnswer::Outcome::NoConnection, QString::fromLocal8Bit(e.what())};
        } catch (...) {
            return {PeerTestAnswer::Outcome::NoConnection, QString()};
        }
    }));
}

void DetailConfigWindowController::showPeerTestAnswer(const DicomPeer& peer, const PeerTestAnswer& answer)
{
    const char* name = "DetailConfigWindow_DicomTestAnswered";
    switch (answer.outcome) {
    case PeerTestAnswer::Outcome::Answered:
        break;
    case PeerTestAnswer::Outcome::NoConnection:
        name = "DetailConfigWindow_DicomTestNoConnection";
        break;
    case PeerTestAnswer::Outcome::AssociationRefused:
        name = "DetailConfigWindow_DicomTestRefused";
        break;
    case PeerTestAnswer::Outcome::NoEchoAnswer:
        name = "DetailConfigWindow_DicomTestNoEchoAnswer";
        break;
    }
    QString message = text(name);
    const QString detail = answer.detail.trimmed();
    // Without the network layer's words, their brackets go too.
    if (detail.isEmpty())
        message.remove(QRegularExpression(QStringLiteral(" ?[(\uFF08]%2[)\uFF09]")));
    m_ui->dicomTestResultLabel->setText(detail.isEmpty() ? message.arg(peerAddress(peer))
                                                         : message.arg(peerAddress(peer), detail));
    m_ui->dicomTestResultLabel->show();
    fitWindowHeight();
}

void DetailConfigWindowController::okButtonClick()
{
    if (!checkValues())
        return;
    m_accepted = true;
    close();
}

void DetailConfigWindowController::cancelButtonClick()
{
    close();
}

void DetailConfigWindowController::closeButtonClick()
{
    // The settings window takes the values of a hidden window when it applies.
    if (!checkValues())
        return;
    window()->hide();
}

void DetailConfigWindowController::windowWillClose()
{
    // A test still running finishes on its own; its answer has nobody left to tell.
    delete m_peerTestWatcher;
    Q_EMIT finished(m_accepted, m_accepted ? settingsValues() : QVariantMap());
    BaseWindowController::windowWillClose();
}
