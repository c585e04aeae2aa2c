#include "tools/ImportCommand.h"

#include "app/PropertyList.h"
#include "app/TrevaselCommon.h"
#include "tools/CommandLine.h"
#include "tools/EditionJob.h"
#include "transfer/ImportService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli import",
    .usage = "usage: trevasel-cli import --settings FILE [--database FILE] [--basic] SOURCE...\n",
    .description =
        "Imports the camera's pictures from each SOURCE folder (and, in the full edition, the folders\n"
        "below it) into the destination named by the settings file FILE, exactly as the watch-folder\n"
        "import of the tray program does: patient folders, file names, movies, the XML descriptions\n"
        "and the import history, all as FILE's settings say.\n",
    .epilogue = "On a terminal a progress line shows the pictures done of those expected.\n"
                "Exit status: 0 when the batch completed (the last line is \"transferred: N\"), 2 when a\n"
                "transfer failed (the reason goes to standard error; the pictures before it are complete),\n"
                "1 when the settings or the history cannot be used, 64 on a usage error.\n",
    .missingValue = "%1 needs a file",
};

// The command line's progress: one line on a terminal, redrawn as each picture arrives.
class ProgressLine
{
public:
    ProgressLine(qint64 expected, bool draw) : m_expected(expected), m_draw(draw) {}
    void pictureArrived()
    {
        ++m_done;
        if (!m_draw)
            return;
        std::fprintf(stderr, "\rimported %lld of %lld", static_cast<long long>(m_done),
                     static_cast<long long>(std::max(m_done, m_expected)));
        std::fflush(stderr);
    }
    void finish() const
    {
        if (m_draw && m_done > 0)
            std::fputc('\n', stderr);
    }

private:
    qint64 m_expected;
    bool m_draw;
    qint64 m_done = 0;
};

} // namespace

int runImportCommand(const QStringList& arguments)
{
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral("the settings property list to use (\"Trevasel-setting.plist\")"),
        QStringLiteral("FILE"));
    const QCommandLineOption databaseOption(
        QStringLiteral("database"),
        QStringLiteral("the import history, used when FILE's settings switch it on (default: the full "
                       "edition's \"Trevasel.db\"; created when missing)"),
        QStringLiteral("FILE"));
    const QCommandLineOption basicOption(QStringLiteral("basic"),
                                         QStringLiteral("import as the basic edition does"));
    CommandLine commandLine(
        texts, {settingsOption, databaseOption, basicOption},
        {{QStringLiteral("SOURCE"), QStringLiteral("a folder to import from, as many as wanted")}});
    if (const auto status = commandLine.read(arguments))
        return *status;
    const QString settingsPath = commandLine.parser().value(settingsOption);
    const QString databasePath = commandLine.parser().value(databaseOption);
    const bool basic = commandLine.parser().isSet(basicOption);
    QStringList sources;
    for (const QString& argument : commandLine.parser().positionalArguments())
        sources << QDir::cleanPath(QFileInfo(argument).absoluteFilePath());
    if (settingsPath.isEmpty())
        return commandLine.usageError(QStringLiteral("--settings FILE is required"));
    if (sources.isEmpty())
        return commandLine.usageError(QStringLiteral("no SOURCE folder given"));

    TrevaselCommon::setEdition(basic ? Edition::Basic : Edition::Full);
    const auto settings = PropertyList::readFile(settingsPath);
    if (!settings) {
        std::fprintf(stderr, "trevasel-cli import: cannot read the settings file %s\n",
                     qPrintable(settingsPath));
        return 1;
    }
    const SettingsSnapshotPtr snapshot = std::make_shared<const SettingsSnapshot>(
        SettingsSnapshot::fromDictionary(*settings, TrevaselCommon::edition()));
    if (snapshot->destinationFolderPath.isEmpty()) {
        std::fprintf(stderr, "trevasel-cli import: %s sets no \"destination folder path\"\n",
                     qPrintable(settingsPath));
        return 1;
    }

    const std::optional<JobMaker> makeJob =
        editionJobMaker("trevasel-cli import", basic, databasePath, snapshot->historyCheck);
    if (!makeJob)
        return 1;

    const bool onTerminal = ::isatty(STDERR_FILENO);
    qint64 expected = 0;
    if (onTerminal) {
        const std::unique_ptr<TransferJob> counter = (*makeJob)();
        for (const QString& source : sources)
            expected = counter->getTotalImageFileCount(source, expected);
    }
    ProgressLine progress(expected, onTerminal);

    // The same service as the tray program's, watching nothing: one batch over the folders.
    ImportService service({nullptr,
                           EventIdStore(QString()),
                           *makeJob,
                           TrevaselCommon::edition(),
                           {},
                           basic ? QString() : TrevaselCommon::getTransferringMarkerFolder()});
    QObject::connect(&service, &ImportService::pictureArrived, [&progress] { progress.pictureArrived(); });
    ImportOutcome result;
    QObject::connect(&service, &ImportService::batchEnded, [&result](const ImportOutcome& outcome) {
        result = outcome;
        QCoreApplication::quit();
    });
    service.importFolders(sources, snapshot);
    QCoreApplication::exec();

    progress.finish();
    std::printf("transferred: %lld\n", static_cast<long long>(result.transferred));
    std::fflush(stdout);
    if (result.failureReason) {
        std::fprintf(stderr, "trevasel-cli import: the transfer failed: %s\n",
                     qPrintable(*result.failureReason));
        return 2;
    }
    return 0;
}
