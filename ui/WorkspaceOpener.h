#pragma once

#include <QString>
#include <QUrl>

class AlertWindowController;
class QWidget;
class WorkspaceService;

// Opens folders and web pages for the windows and the tray menu, through the workspace service the
// program hands in, and says so when one cannot be opened: a sheet on the window that asked, or an
// alert window of its own where no window asked (the tray menu), with the folder's path or the page's
// address in a text the user can select and copy.
namespace WorkspaceOpener {

// The service everything is opened through; the program's, or a test's. Without one nothing can be
// opened, and each request says so.
void setService(WorkspaceService* service);

// window: the window that asked, which carries the message; nobody (or a window no longer on
// screen by the time the failure is known) gets an alert window.
void openFolder(const QString& folder, QWidget* window = nullptr);
void openUrl(const QUrl& url, QWidget* window = nullptr);

// The alert window that says a folder or a page could not be opened, made but not shown yet.
enum class Target { Folder, Page };
AlertWindowController* makeNotOpenedAlert(Target target, const QString& pathOrAddress);

} // namespace WorkspaceOpener
