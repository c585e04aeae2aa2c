#include "platform/Logger.h"
#include "tools/HistoryCommand.h"
#include "tools/ImportCommand.h"
#include "tools/InspectCommand.h"
#include "tools/SampleCardCommand.h"
#include "tools/SettingsCommand.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char* const usage =
    "usage: trevasel-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Drives the import engine of Trevasel without a display.\n"
    "\n"
    "commands:\n"
    "  import --settings FILE [--database FILE] [--basic] SOURCE...\n"
    "                              import the camera's pictures from SOURCE folders\n"
    "  inspect [--basic] [--summary] FILE...\n"
    "                              print what the camera metadata reader finds in each file,\n"
    "                              one JSON object per line, or with --summary one line for a\n"
    "                              person; --basic reads as the basic edition\n"
    "  history list|purge-before   show or tidy the import history (see 'history --help')\n"
    "  settings init|show|set FILE write, show or change a settings file (see 'settings --help')\n"
    "  sample-card DIR             write a sample camera card into DIR\n"
    "  help                        show this text; 'trevasel-cli COMMAND --help' shows more\n";

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trevasel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TREVASEL_VERSION));
    Logger::install();

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fputs(usage, stderr);
        return 64;
    }
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("import"))
        return runImportCommand(arguments);
    if (command == QLatin1String("inspect"))
        return runInspectCommand(arguments);
    if (command == QLatin1String("history"))
        return runHistoryCommand(arguments);
    if (command == QLatin1String("settings"))
        return runSettingsCommand(arguments);
    if (command == QLatin1String("sample-card"))
        return runSampleCardCommand(arguments);
    if (command == QLatin1String("help") || command == QLatin1String("--help") ||
        command == QLatin1String("-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    std::fprintf(stderr, "trevasel-cli: unknown command '%s'\n\n%s", qPrintable(command), usage);
    return 64;
}
