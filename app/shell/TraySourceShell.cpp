#include "app/shell/TraySourceShell.h"

#include "platform/Logger.h"
#include "ui/AlertWindowController.h"
#include "ui/CopyResultWindowController.h"
#include "ui/NotificationCenter.h"
#include "ui/SDCopyConfirmWindowController.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"

#include <QEventLoop>
#include <QTimer>

namespace {

template <typename Controller> Controller* windowOf(int id)
{
    return dynamic_cast<Controller*>(TrevaselWindowManager::sharedInstance().getWindowController(id));
}

void show(BaseWindowController* controller)
{
    controller->showWindow();
    controller->orderFront();
}

} // namespace

TraySourceShell::TraySourceShell(std::function<void(const QStringList&)> ejectMedia)
    : m_ejectMedia(std::move(ejectMedia))
{
}

bool TraySourceShell::checkWindow(int windowId) const
{
    return TrevaselWindowManager::sharedInstance().checkWindow(windowId);
}

void TraySourceShell::postNotification(const QString& name)
{
    NotificationCenter::defaultCenter().postNotification(name);
}

void TraySourceShell::showTransferFailure(const QString& reason)
{
    Logger::info(QStringLiteral("the transfer failed: %1").arg(reason));
    if (auto* alert = windowOf<AlertWindowController>(SourceWindow::alert)) {
        alert->setMessage(Strings::text(QStringLiteral("ApplicationMessage27")).arg(reason));
        show(alert);
    }
}

void TraySourceShell::showCopyResult(qint64 fileCount)
{
    Logger::info(QStringLiteral("transfer result shown: %1 pictures").arg(fileCount));
    if (auto* result = windowOf<CopyResultWindowController>(SourceWindow::copyResult)) {
        result->setFileCount(fileCount);
        show(result);
    }
}

void TraySourceShell::confirmCardTransfer(const QStringList& cards, CardTransfer transfer)
{
    auto* confirm = windowOf<SDCopyConfirmWindowController>(SourceWindow::confirmation);
    if (!confirm)
        return;
    confirm->setCardTransfer({std::move(transfer.getTotalImageFileCount), std::move(transfer.copyImage)});
    confirm->setFolderArray(cards);
    show(confirm);
    Logger::info(QStringLiteral("asking before importing %1").arg(cards.join(QStringLiteral(", "))));
    const QByteArray answer = qgetenv("TREVASEL_TEST_CONFIRM");
    if (answer == "ok")
        QTimer::singleShot(0, confirm, [confirm] { confirm->okButtonClick(); });
    else if (answer == "cancel")
        QTimer::singleShot(0, confirm, [confirm] { confirm->cancelButtonClick(); });
}

void TraySourceShell::bringToFront(int windowId)
{
    if (checkWindow(windowId))
        TrevaselWindowManager::sharedInstance().getWindowController(windowId)->orderFront();
}

void TraySourceShell::hideWindow(int windowId)
{
    if (checkWindow(windowId))
        TrevaselWindowManager::sharedInstance().getWindowController(windowId)->window()->hide();
}

void TraySourceShell::pause(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

void TraySourceShell::ejectMedia(const QStringList& folders)
{
    if (m_ejectMedia)
        m_ejectMedia(folders);
}

void TraySourceShell::showAlert(const QString& message, bool offerSettings)
{
    Logger::info(message);
    // Made outside the registry: its closing changes no registration.
    auto* alert = new AlertWindowController();
    alert->setMessage(message);
    alert->setShowConfigWindowFlag(offerSettings);
    show(alert);
}
