#include "ui/WorkspaceOpener.h"

#include "platform/Logger.h"
#include "platform/WorkspaceService.h"
#include "ui/AlertWindowController.h"
#include "ui/DialogService.h"
#include "ui/Strings.h"

#include <QPointer>
#include <QWidget>

namespace {

WorkspaceService* service = nullptr;

QString notOpenedMessage(WorkspaceOpener::Target target)
{
    return Strings::text(target == WorkspaceOpener::Target::Folder
                             ? QStringLiteral("WorkspaceMessage_FolderNotOpened")
                             : QStringLiteral("WorkspaceMessage_PageNotOpened"));
}

void sayNotOpened(WorkspaceOpener::Target target, const QString& pathOrAddress,
                  const QPointer<QWidget>& window)
{
    if (window && window->isVisible()) {
        DialogService::showSheet(window, {notOpenedMessage(target), pathOrAddress,
                                          Strings::text(QStringLiteral("AlertWindow_CloseButton"))});
        return;
    }
    AlertWindowController* alert = WorkspaceOpener::makeNotOpenedAlert(target, pathOrAddress);
    alert->showWindow();
    alert->orderFront();
}

} // namespace

void WorkspaceOpener::setService(WorkspaceService* workspace)
{
    service = workspace;
}

void WorkspaceOpener::openFolder(const QString& folder, QWidget* window)
{
    const auto failed = [folder, asker = QPointer<QWidget>(window)] {
        sayNotOpened(Target::Folder, folder, asker);
    };
    if (!service) {
        Logger::info(QStringLiteral("nothing opens folders here: %1").arg(folder));
        failed();
        return;
    }
    service->openFolder(folder, failed);
}

void WorkspaceOpener::openUrl(const QUrl& url, QWidget* window)
{
    const auto failed = [address = url.toString(), asker = QPointer<QWidget>(window)] {
        sayNotOpened(Target::Page, address, asker);
    };
    if (!service) {
        Logger::info(QStringLiteral("nothing opens web pages here: %1").arg(url.toString()));
        failed();
        return;
    }
    service->openUrl(url, failed);
}

AlertWindowController* WorkspaceOpener::makeNotOpenedAlert(Target target, const QString& pathOrAddress)
{
    // Made outside the registry, like start-up's alerts: it takes no other alert's place. Its message
    // can be selected, so the path or the address on its own line can be copied.
    auto* alert = new AlertWindowController;
    alert->setMessage(notOpenedMessage(target) + QLatin1Char('\n') + pathOrAddress);
    return alert;
}
