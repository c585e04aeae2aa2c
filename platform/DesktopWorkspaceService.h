#pragma once

#include "platform/WorkspaceService.h"

#include <chrono>

// The workspace through the desktop's default handlers: xdg-open where it is installed, whose answer
// says whether a program took the page or the folder (the desktop's own services only say whether
// xdg-open started); else Qt's search for a browser (QDesktopServices, which needs a
// QGuiApplication). A folder that does not exist fails at once.
class DesktopWorkspaceService : public WorkspaceService
{
public:
    void openUrl(const QUrl& url, Failed failed) override;
    void openFolder(const QString& folder, Failed failed) override;

    // How long xdg-open's failure counts. Without a desktop it waits for the program it started, so
    // a later end is that program's (a file viewer closed with an error), not the opening's.
    static constexpr std::chrono::milliseconds kAnswerTime{std::chrono::seconds(10)};

private:
    void open(const QUrl& url, const QString& argument, Failed failed);
};
