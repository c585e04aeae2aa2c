// The tray program of either edition; EditionParts says which.
#include "app/TrevaselCommon.h"
#include "platform/Logger.h"
#include "service/QuitSignals.h"
#include "tray/EditionParts.h"
#include "tray/TrevaselAppDelegate.h"
#include "ui/BaseWindowController.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <optional>
#include <string_view>

namespace {

// "--version" and "--help" answer without a display, before the application is made.
std::optional<int> answerWithoutDisplay(const EditionParts& parts, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--version") {
            std::printf("%s %s (build %s)\n", parts.programName.toUtf8().constData(), TREVASEL_VERSION,
                        TREVASEL_BUILD_NUMBER);
            return 0;
        }
        if (argument == "--help" || argument == "-h") {
            std::printf("usage: %s [--settings] [--log-output] [--show-all-items]\n"
                        "\n"
                        "Imports the intra-oral camera's pictures into the practice's picture store: a\n"
                        "camera card the moment it is mounted, and new pictures the moment they land in\n"
                        "the watch folder. It lives in the system tray; its menu holds the settings.\n"
                        "\n"
                        "Options:\n"
                        "  --settings        open the settings window (of the copy already running, if any)\n"
                        "  --log-output      write the log to \"Trevasel.log\" in the data folder\n"
                        "  --show-all-items  show the hidden detail settings\n"
                        "  --version         print the version and end\n"
                        "  -h, --help        print this help and end\n"
                        "\n"
                        "A second start reaches the copy already running, which opens its settings\n"
                        "window. SIGTERM or SIGINT end the program after the picture in hand.\n",
                        parts.programName.toUtf8().constData());
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    const EditionParts parts = editionParts();
    if (const std::optional<int> answered = answerWithoutDisplay(parts, argc, argv))
        return *answered;
    QApplication application(argc, argv);
    QApplication::setApplicationName(parts.programName);
    QApplication::setApplicationVersion(QStringLiteral(TREVASEL_VERSION));
    QApplication::setQuitOnLastWindowClosed(false); // a tray program lives on without windows
    Logger::install();
    TrevaselCommon::setEdition(parts.edition);
    // Qt's own texts (the folder chooser's buttons and labels) in the user's language, where Debian's
    // translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

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
