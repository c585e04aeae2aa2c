#pragma once

#include "platform/WorkspaceService.h"

// The workspace through the desktop's default handlers (QDesktopServices). Needs a QGuiApplication.
class DesktopWorkspaceService : public WorkspaceService
{
public:
    bool openUrl(const QUrl& url) override;
    bool openFolder(const QString& folder) override;
};
