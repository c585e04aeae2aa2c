#include "tools/ImportCommand.h"

#include "app/PropertyList.h"
#include "app/TrevaselCommon.h"
#include "tools/CommandLine.h"
#include "tools/EditionJob.h"
#include "transfer/ImportService.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
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
    .epilogue = "On a terminal a progress line shows the pictures dealt with of those expected, the bytes\n"
                "copied and the time left; otherwise only the last line is written.\n"
                "Exit status: 0 when the batch completed (the last line is \"transferred: N\"), 2 when a\n"
                "transfer failed (the reason goes to standard error; the pictures before it are complete),\n"
                "1 when the settings or the history cannot be used, 64 on a usage error.\n",
    .missingValue = "%1 needs a file",
};

// The command line's progress: one line on a terminal, redrawn as each picture is dealt with (arrived
// or skipped), with the bytes copied and, once a few seconds of rate are known, the time left.
class ProgressLine
{
public:
    ProgressLine(qint64 expected, qint64 expectedBytes, bool draw)
        : m_expected(expected), m_expectedBytes(expectedBytes), m_draw(draw)
    {
        m_clock.start();
    }
    void progressed(const ImportProgress& progress)
    {
        m_done = progress.pictures;
        if (!m_draw)
            return;
        QString line = QStringLiteral("%1 of %2 pictures").arg(m_done).arg(std::max(m_done, m_expected));
        if (m_expectedBytes > 0)
            line += QStringLiteral(", %1 of %2 MB")
                        .arg(QString::number(static_cast<double>(progress.bytes) / 1e6, 'f', 1),
                             QString::number(static_cast<double>(m_expectedBytes) / 1e6, 'f', 1));
        const qint64 elapsed = m_clock.elapsed();
        if (progress.bytes > 0 && elapsed >= 3000 && progress.bytes < m_expectedBytes) {
            const double left = static_cast<double>(m_expectedBytes - progress.bytes) *
                                static_cast<double>(elapsed) / static_cast<double>(progress.bytes) / 1000.0;
            line += left < 60
                        ? QStringLiteral(", about %1 s left").arg(static_cast<int>(left) + 1)
                        : QStringLiteral(", about %1 min left").arg(static_cast<int>(left / 60.0 + 0.5));
        }
        // The line is redrawn in place; spaces wipe what a longer line before it left.
        std::fprintf(stderr, "\r%-72s", qPrintable(line));
        std::fflush(stderr);
    }
    void finish() const
    {
        if (m_draw && m_done > 0)
            std::fputc('\n', stderr);
    }

private:
    qint64 m_expected;
    qint64 m_expectedBytes;
    bool m_draw;
    qint64 m_done = 0;
    QElapsedTimer m_clock;
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
    qint64 expectedBytes = 0;
    if (onTerminal) {
        const std::unique_ptr<TransferJob> counter = (*makeJob)();
        for (const QString& source : sources) {
            const TransferJob::ImageTotals totals = counter->getTotalImages(source);
            expected += totals.count;
            expectedBytes += totals.bytes;
        }
    }
    ProgressLine progress(expected, expectedBytes, onTerminal);

    // The same service as the tray program's, watching nothing: one batch over the folders.
    ImportService service({nullptr,
                           EventIdStore(QString()),
                           *makeJob,
                           TrevaselCommon::edition(),
                           {},
                           basic ? QString() : TrevaselCommon::getTransferringMarkerFolder()});
    QObject::connect(&service, &ImportService::progressed,
                     [&progress](const ImportProgress& now) { progress.progressed(now); });
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
