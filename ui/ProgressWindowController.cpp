#include "ui/ProgressWindowController.h"

#include "ui/Strings.h"
#include "ui_ProgressWindowController.h"

#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <limits>

ProgressWindowController::ProgressWindowController() : m_ui(new Ui::ProgressWindowController) {}

ProgressWindowController::~ProgressWindowController() = default;

void ProgressWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->stopButton, &QPushButton::clicked, this, [this] {
        m_ui->stopButton->setEnabled(false);
        m_ui->timeLeftLabel->setText(Strings::text(QStringLiteral("ProgressWindow_Stopping")));
        Q_EMIT stopRequested();
    });
}

void ProgressWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("ProgressWindow_Title")));
    m_ui->messageLabel->setText(Strings::text(QStringLiteral("ProgressWindow_MessageLabel")));
    m_ui->stopButton->setText(Strings::text(QStringLiteral("ProgressWindow_StopButton")));
    zero();
    showDetails();
}

void ProgressWindowController::setTotalBytes(qint64 bytes)
{
    m_totalBytes = bytes;
    m_clock.start();
    if (isWindowLoaded())
        showDetails();
}

void ProgressWindowController::showProgress(qint64 pictures, qint64 bytes, const QString& patient)
{
    m_reportedCount =
        static_cast<qint32>(std::clamp<qint64>(pictures, 0, std::numeric_limits<qint32>::max()));
    m_bytes = bytes;
    m_patient = patient;
    window(); // the labels exist from here on
    showPercent(percentFor(m_reportedCount, m_totalCount));
    showDetails();
}

void ProgressWindowController::showDetails()
{
    if (m_totalCount > 0) {
        // The picture in hand is the one after those dealt with.
        const qint32 current = std::min(m_reportedCount + 1, m_totalCount);
        QString count = Strings::text(QStringLiteral("ProgressWindow_Count")).arg(current).arg(m_totalCount);
        if (m_totalBytes > 0)
            count += QStringLiteral("   ") + Strings::text(QStringLiteral("ProgressWindow_Bytes"))
                                                 .arg(bytesText(m_bytes), bytesText(m_totalBytes));
        m_ui->countLabel->setText(count);
    } else {
        m_ui->countLabel->setText(Strings::text(QStringLiteral("ProgressWindow_Counting")));
    }
    if (m_ui->stopButton->isEnabled())
        m_ui->timeLeftLabel->setText(
            timeLeftText(m_bytes, m_totalBytes, m_clock.isValid() ? m_clock.elapsed() : 0));
    m_ui->patientLabel->setText(m_patient.isEmpty()
                                    ? QString()
                                    : Strings::text(QStringLiteral("ProgressWindow_Patient")).arg(m_patient));
}

QString ProgressWindowController::timeLeftText(qint64 bytesDone, qint64 bytesTotal,
                                               qint64 elapsedMilliseconds)
{
    // A rate of the first moments says little: the first pictures wait for the disk to start.
    if (bytesDone <= 0 || bytesTotal <= 0 || elapsedMilliseconds < 3000 || bytesDone >= bytesTotal)
        return QString();
    const double seconds = static_cast<double>(bytesTotal - bytesDone) *
                           static_cast<double>(elapsedMilliseconds) / static_cast<double>(bytesDone) / 1000.0;
    if (seconds < 60)
        return Strings::text(QStringLiteral("ProgressWindow_SecondsLeft"))
            .arg(std::max(5, static_cast<int>(std::ceil(seconds / 5.0)) * 5));
    const int minutes = static_cast<int>(std::lround(seconds / 60.0));
    if (minutes <= 1)
        return Strings::text(QStringLiteral("ProgressWindow_OneMinuteLeft"));
    return Strings::text(QStringLiteral("ProgressWindow_MinutesLeft")).arg(minutes);
}

QString ProgressWindowController::bytesText(qint64 bytes)
{
    if (bytes < 1000 * 1000)
        return QStringLiteral("%1 kB").arg(QString::number(static_cast<double>(bytes) / 1000.0, 'f', 0));
    if (bytes < 1000LL * 1000 * 1000)
        return QStringLiteral("%1 MB").arg(QString::number(static_cast<double>(bytes) / 1e6, 'f', 1));
    return QStringLiteral("%1 GB").arg(QString::number(static_cast<double>(bytes) / 1e9, 'f', 2));
}

double ProgressWindowController::percentFor(qint32 reported, qint32 total)
{
    if (total <= 0)
        return 100.0;
    return std::clamp(static_cast<double>(reported) / total * 100.0, 0.0, 100.0);
}

void ProgressWindowController::setTotalCount(qint32 totalCount)
{
    m_totalCount = totalCount;
    if (isWindowLoaded())
        showPercent(percentFor(m_reportedCount, m_totalCount));
}

void ProgressWindowController::updateProgress()
{
    if (m_reportedCount < std::numeric_limits<qint32>::max())
        ++m_reportedCount;
    window(); // the labels exist from here on
    showPercent(percentFor(m_reportedCount, m_totalCount));
}

void ProgressWindowController::zero()
{
    window();
    showPercent(0.0);
}

void ProgressWindowController::showPercent(double percent)
{
    const int whole = static_cast<int>(percent); // toward zero
    m_ui->progressLabel->setText(QString::number(whole));
    m_ui->progressIndicator->setValue(whole);
}
