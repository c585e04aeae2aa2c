#pragma once

#include <QString>
#include <QUrl>

// The desktop's workspace: opening a web page in the default browser and a folder in the file viewer.
class WorkspaceService
{
public:
    virtual ~WorkspaceService() = default;
    // False when no program could be started for it.
    virtual bool openUrl(const QUrl& url) = 0;
    virtual bool openFolder(const QString& folder) = 0;
};
