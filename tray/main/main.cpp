// The tray program of either edition; EditionParts says which.
#include "app/TrevaselCommon.h"
#include "platform/Logger.h"
#include "service/QuitSignals.h"
#include "tray/EditionParts.h"
#include "tray/TrevaselAppDelegate.h"
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

    int status = 0;
    {
        TrevaselAppDelegate delegate(parts);
        const QuitSignals quitSignals;
        QObject::connect(&quitSignals, &QuitSignals::quitRequested, &delegate, &TrevaselAppDelegate::quit);
        delegate.applicationDidFinishLaunching(QApplication::arguments());
        status = QApplication::exec();
        delegate.applicationShouldTerminate();
    } // the import service's worker has ended here
    BaseWindowController::deleteAll();
    return status;
}
