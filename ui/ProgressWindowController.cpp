#include "ui/ProgressWindowController.h"

#include "ui/Strings.h"
#include "ui_ProgressWindowController.h"

#include <algorithm>
#include <limits>

ProgressWindowController::ProgressWindowController() : m_ui(new Ui::ProgressWindowController) {}

ProgressWindowController::~ProgressWindowController() = default;

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
