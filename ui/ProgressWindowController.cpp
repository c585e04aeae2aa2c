#include "ui/ProgressWindowController.h"

#include "ui/NotificationCenter.h"
#include "ui/Strings.h"
#include "ui_ProgressWindowController.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {
// The pictures reported since the last progress controller was made.
qint32 reportedCount = 0;
} // namespace

ProgressWindowController::ProgressWindowController() : m_ui(new Ui::ProgressWindowController)
{
    reportedCount = 0;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, NotificationName::updateProgress, [this] { updateProgressNotification(); });
    center.addObserver(this, NotificationName::closeProgressWindow, [this] { closeWindowNotification(); });
}

ProgressWindowController::~ProgressWindowController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void ProgressWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
}

void ProgressWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("ProgressWindow_Title")));
    m_ui->messageLabel->setText(Strings::text(QStringLiteral("ProgressWindow_MessageLabel")));
    zero();
}

void ProgressWindowController::windowWillClose()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    BaseWindowController::windowWillClose();
}

double ProgressWindowController::percentFor(qint32 reported, qint32 total)
{
    if (total <= 0)
        return 100.0;
    return std::clamp(static_cast<double>(reported) / total * 100.0, 0.0, 100.0);
}

void ProgressWindowController::updateProgressNotification()
{
    // The progress is drawn on the thread that owns the window, and the poster waits for it.
    if (QThread::currentThread() != thread())
        QMetaObject::invokeMethod(this, &ProgressWindowController::updateProgress,
                                  Qt::BlockingQueuedConnection);
    else
        updateProgress();
}

void ProgressWindowController::updateProgress()
{
    if (reportedCount < std::numeric_limits<qint32>::max())
        ++reportedCount;
    window(); // the labels exist from here on
    showPercent(percentFor(reportedCount, m_totalCount));
    m_ui->progressIndicator->repaint();
    // The transfer keeps the main thread busy; a short turn of the event loop lets the window draw.
    QEventLoop loop;
    QTimer::singleShot(1, &loop, &QEventLoop::quit);
    loop.exec();
}

void ProgressWindowController::closeWindowNotification()
{
    close();
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
