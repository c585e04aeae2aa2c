#include "ui/CopyResultWindowController.h"

#include "app/TrevaselCommon.h"
#include "ui/Strings.h"
#include "ui_CopyResultWindowController.h"

#include <QPointer>
#include <QStyle>
#include <QTimer>

namespace {
std::chrono::milliseconds autoCloseInterval = CopyResultWindowController::kAutoCloseInterval;
// One auto-close timer runs at a time in the process: a newer result window's timer replaces it.
QPointer<QTimer> runningAutoCloseTimer;
} // namespace

CopyResultWindowController::CopyResultWindowController() : m_ui(new Ui::CopyResultWindowController) {}

CopyResultWindowController::~CopyResultWindowController() = default;

void CopyResultWindowController::setAutoCloseInterval(std::chrono::milliseconds interval)
{
    autoCloseInterval = interval;
}

void CopyResultWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &CopyResultWindowController::closeButtonClick);
    connect(m_ui->openFolderButton, &QPushButton::clicked, this, [this] {
        Q_EMIT openFolderRequested(m_details.pictureFolder);
        closeButtonClick();
    });
}

QString CopyResultWindowController::detailsText(const Details& details)
{
    QStringList lines;
    const auto add = [&](qint64 count, const char* key) {
        if (count > 0)
            lines << Strings::text(QString::fromLatin1(key)).arg(count);
    };
    add(details.alreadyImported, "CopyResultWindow_AlreadyImported");
    add(details.noPatientData, "CopyResultWindow_NoPatientData");
    add(details.patientInformation - details.patientInformationRemoved,
        "CopyResultWindow_PatientInformation");
    add(details.patientInformationRemoved, "CopyResultWindow_PatientInformationRemoved");
    add(details.failed, "CopyResultWindow_Failed");
    if (details.stopped)
        lines << Strings::text(QStringLiteral("CopyResultWindow_Stopped"));
    return lines.join(QLatin1Char('\n'));
}

void CopyResultWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("CopyResultWindow_Title")));
    m_ui->iconLabel->setPixmap(
        window()->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    m_ui->closeButton->setText(Strings::text(QStringLiteral("CopyResultWindow_CloseButton")));
    const QString message = Strings::text(QStringLiteral("CopyResultWindow_MessageLabel"));
    if (TrevaselCommon::edition() == Edition::Basic) {
        m_ui->messageLabel->setText(QString::number(m_fileCount) + message);
        return;
    }
    if (m_cardRemoved) {
        m_ui->iconLabel->setPixmap(
            window()->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
        m_ui->messageLabel->setText(Strings::text(QStringLiteral("CopyResultWindow_CardRemovedMessage"))
                                        .arg(m_fileCount)
                                        .arg(m_picturesLeft));
        return; // a warning stays until it is read
    }
    QString text = m_fileCount != 0
                       ? QString(message).replace(QLatin1String("%1"), QString::number(m_fileCount))
                       : Strings::text(QStringLiteral("CopyResultWindow_NoImageMessageLabel"));
    if (const QString details = detailsText(m_details); !details.isEmpty())
        text += QStringLiteral("\n\n") + details;
    m_ui->messageLabel->setTextFormat(Qt::PlainText);
    m_ui->messageLabel->setText(text);
    if (!m_details.pictureFolder.isEmpty() && m_fileCount > 0) {
        m_ui->openFolderButton->setText(Strings::text(QStringLiteral("CopyResultWindow_OpenFolderButton")));
        m_ui->openFolderButton->setVisible(true);
    }
    // Something left behind, a stop or a failure is read before the window goes.
    if (m_details.stopped || m_details.failed > 0 || m_details.noPatientData > 0 ||
        m_details.patientInformationRemoved > 0)
        return;
    if (runningAutoCloseTimer)
        runningAutoCloseTimer->stop();
    m_autoCloseTimer = new QTimer(this);
    m_autoCloseTimer->setSingleShot(true);
    connect(m_autoCloseTimer, &QTimer::timeout, this, &CopyResultWindowController::timerCloseWindow);
    m_autoCloseTimer->start(autoCloseInterval);
    runningAutoCloseTimer = m_autoCloseTimer;
}

bool CopyResultWindowController::isAutoCloseTimerActive() const
{
    return m_autoCloseTimer && m_autoCloseTimer->isActive();
}

void CopyResultWindowController::closeButtonClick()
{
    if (m_autoCloseTimer)
        m_autoCloseTimer->stop();
    close();
}

void CopyResultWindowController::timerCloseWindow()
{
    close();
}
