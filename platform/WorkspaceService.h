#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// The desktop's workspace: opening a web page in the default browser and a folder in the file viewer.
// Both hand the work to the desktop and return at once. When nothing could open it, failed is called
// on the caller's thread: at once, or a moment later when the desktop's opener has given up.
class WorkspaceService
{
public:
    using Failed = std::function<void()>;

    virtual ~WorkspaceService() = default;
    virtual void openUrl(const QUrl& url, Failed failed) = 0;
    virtual void openFolder(const QString& folder, Failed failed) = 0;
};
