#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

// Every message box and folder chooser of the program goes through here, so that tests (and the
// system tests' programs) can answer them in advance and never block on a dialog.
//
// In answering mode nothing is shown: folder choosers take the next queued answer (an empty text,
// or no answer left, is Cancel), and sheets are recorded for the caller to inspect.
class DialogService
{
public:
    DialogService() = delete;

    struct Sheet
    {
        QString message;
        QString informativeText;
        QString buttonTitle;
    };
    struct FolderRequest
    {
        QString title;
        QString acceptButtonTitle;
        QString startFolder;
    };

    // A message box with one button, modal to window only (a sheet); returns at once.
    static void showSheet(QWidget* window, const Sheet& sheet);
    // Asks for one existing folder (folders only, new folders may be created there), modal to parent
    // only, and returns at once: chosen gets the folder once the user has picked one, and is not
    // called when the user cancels or the parent window goes first.
    static void chooseFolder(QWidget* parent, const FolderRequest& request,
                             std::function<void(const QString& folder)> chosen);

    // Answering mode, for tests. Turning it on or off forgets earlier answers and records.
    static void setAnswering(bool answering);
    static bool isAnswering();
    static void setNextFolderAnswer(const QString& folder);
    static const std::vector<Sheet>& shownSheets();
    static const std::vector<FolderRequest>& folderRequests();
};
