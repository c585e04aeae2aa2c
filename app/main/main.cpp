// The tray program of either edition; EditionParts says which.
#include "app/TrevaselCommon.h"
#include "app/shell/EditionParts.h"
#include "app/shell/QuitSignals.h"
#include "app/shell/TrevaselAppDelegate.h"
#include "platform/Logger.h"
#include "ui/BaseWindowController.h"

#include <QApplication>

int main(int argc, char** argv)
{
    const EditionParts parts = editionParts();
    QApplication application(argc, argv);
    QApplication::setApplicationName(parts.programName);
    QApplication::setApplicationVersion(QStringLiteral(TREVASEL_VERSION));
    QApplication::setQuitOnLastWindowClosed(false); // a tray program lives on without windows
    Logger::install();
    TrevaselCommon::setEdition(parts.edition);
    const QuitSignals quitSignals;

    TrevaselAppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching(QApplication::arguments());
    // A signal during start-up's waits ends the program before its event loop starts.
    const int status = TransferJob::stopRequested() ? 0 : QApplication::exec();
    delegate.applicationShouldTerminate();
    BaseWindowController::deleteAll();
    return status;
}
