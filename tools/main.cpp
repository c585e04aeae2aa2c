#include "platform/Logger.h"
#include "tools/CommandLine.h"
#include "tools/DicomCommand.h"
#include "tools/HistoryCommand.h"
#include "tools/ImportCommand.h"
#include "tools/InspectCommand.h"
#include "tools/SampleCardCommand.h"
#include "tools/SettingsCommand.h"
#include "tools/VerifyCommand.h"
#include "tools/WatchCommand.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli",
    .usage = "usage: trevasel-cli COMMAND [ARGUMENTS]\n",
    .description = "Drives the import engine of Trevasel without a display.\n",
    .epilogue =
        "commands:\n"
        "  import --settings FILE [--database FILE] [--basic] SOURCE...\n"
        "                              import the camera's pictures from SOURCE folders\n"
        "  inspect [--basic] [--summary] FILE...\n"
        "                              print what the camera metadata reader finds in each file,\n"
        "                              one JSON object per line, or with --summary one line for a\n"
        "                              person; --basic reads as the basic edition\n"
        "  dicom [--send] STILL...     write (and send) each still as a DICOM file (see 'dicom --help')\n"
        "  history list|purge-before   show or tidy the import history (see 'history --help')\n"
        "  settings init|show|set FILE write, show or change a settings file (see 'settings --help')\n"
        "  verify [--database FILE] [--since yyyy-MM-dd]\n"
        "                              read back every picture whose hash the history keeps and list\n"
        "                              those missing or changed in the store (see 'verify --help')\n"
        "  watch --settings FILE [--database FILE] [--basic]\n"
        "                              import each card put in and each picture in the watch folder\n"
        "                              as the tray program does, without a display, until SIGTERM\n"
        "                              (see 'watch --help')\n"
        "  sample-card DIR             write a sample camera card into DIR\n"
        "  help                        show this text; 'trevasel-cli COMMAND --help' shows more\n",
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trevasel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TREVASEL_VERSION));
    Logger::install();

    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           QStringLiteral("print the program's version"));
    CommandLine commandLine(texts, {versionOption});
    // Everything after COMMAND belongs to the command.
    commandLine.parser().setOptionsAfterPositionalArgumentsMode(
        QCommandLineParser::ParseAsPositionalArguments);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return commandLine.usageError(QString());
    if (const auto status = commandLine.read(arguments))
        return *status;
    if (commandLine.parser().isSet(versionOption)) {
        std::printf("trevasel-cli %s\n", TREVASEL_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QStringList commandArguments = commandLine.parser().positionalArguments();
    if (commandArguments.isEmpty())
        return commandLine.usageError(QString());
    const QString command = commandArguments.takeFirst();
    if (command == QLatin1String("import"))
        return runImportCommand(commandArguments);
    if (command == QLatin1String("inspect"))
        return runInspectCommand(commandArguments);
    if (command == QLatin1String("dicom"))
        return runDicomCommand(commandArguments);
    if (command == QLatin1String("history"))
        return runHistoryCommand(commandArguments);
    if (command == QLatin1String("settings"))
        return runSettingsCommand(commandArguments);
    if (command == QLatin1String("verify"))
        return runVerifyCommand(commandArguments);
    if (command == QLatin1String("watch"))
        return runWatchCommand(commandArguments);
    if (command == QLatin1String("sample-card"))
        return runSampleCardCommand(commandArguments);
    if (command == QLatin1String("help"))
        return commandLine.showHelp();
    return commandLine.usageError(QStringLiteral("unknown command '%1'").arg(command));
}
