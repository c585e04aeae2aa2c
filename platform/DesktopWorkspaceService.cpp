#include "platform/DesktopWorkspaceService.h"

#include "platform/Logger.h"

#include <QDesktopServices>

bool DesktopWorkspaceService::openUrl(const QUrl& url)
{
    const bool opened = QDesktopServices::openUrl(url);
    if (!opened)
        Logger::info(QStringLiteral("no program opened %1").arg(url.toString()));
    return opened;
}

bool DesktopWorkspaceService::openFolder(const QString& folder)
{
    return openUrl(QUrl::fromLocalFile(folder));
}
