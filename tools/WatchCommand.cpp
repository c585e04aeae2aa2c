#include "tools/WatchCommand.h"

#include "app/TrevaselCommon.h"
#include "history/ImportedFileDao.h"
#include "platform/EventIdStore.h"
#include "platform/FileEventStream.h"
#include "platform/Logger.h"
#include "platform/SingleInstanceLock.h"
#include "platform/VolumeService.h"
#include "platform/linux/UDisksEjectService.h"
#include "service/CardVolumes.h"
#include "service/HistoryPurgeTimer.h"
#include "service/NGAnswerPoller.h"
#include "service/QuitSignals.h"
#include "tools/CommandLine.h"
#include "tools/EditionJob.h"
#include "transfer/ImportService.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMap>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli watch",
    .usage = "usage: trevasel-cli watch --settings FILE [--database FILE] [--basic]\n",
    .description =
        "Runs the tray program's import without a display, for a practice server: each camera card\n"
        "put in (a volume in $TREVASEL_VOLUMES_ROOT when set, else in /media/$USER) and each picture\n"
        "that lands in the watch folder is imported as the settings file FILE says; the full edition\n"
        "also reports the practice-management system's \".NG\" answers, tidies the import history and\n"
        "ejects a card after its batch when the settings say so. FILE is read again when it changes.\n",
    .epilogue =
        "What a window would show goes to standard error: one line per batch (the pictures that\n"
        "arrived, those skipped and why, why a batch failed), and the alerts and \".NG\" answers as\n"
        "\"[warning]: ...\" lines. With \"confirm before sending\" at 1001 a card is imported without\n"
        "asking, since nobody can be asked. It does not start beside another watch of its edition\n"
        "or, in the full edition, beside the tray program TrevaselForPravena of the same user.\n"
        "SIGTERM or SIGINT ends it after the picture in hand.\n"
        "Exit status: 0 when ended by SIGTERM or SIGINT; 1 when FILE cannot be read, the history cannot\n"
        "be created or the edition runs already; 64 on a usage error.\n",
    .missingValue = "%1 needs a file",
};

QString pictures(qint64 count)
{
    return count == 1 ? QStringLiteral("1 picture") : QStringLiteral("%1 pictures").arg(count);
}

QString skipReasonText(SkipReason why)
{
    switch (why) {
    case SkipReason::NotACameraPicture:
        return QStringLiteral("not the camera's");
    case SkipReason::PatientInformation:
        return QStringLiteral("patient-information shot");
    case SkipReason::AlreadyImported:
        return QStringLiteral("imported before");
    case SkipReason::AlreadyInPlace:
        return QStringLiteral("already in the store");
    case SkipReason::NotWhole:
        return QStringLiteral("still being written, tried again later");
    case SkipReason::NoPatientData:
        return QStringLiteral("no patient ID or shooting date");
    }
    return {};
}

// A batch's result as one line for a person: where from, what arrived, what was skipped and why,
// how it ended when it did not end well.
QString resultLine(const ImportOutcome& outcome, const QMap<SkipReason, qint64>& skips)
{
    const QString folders = outcome.batch.folders.join(QStringLiteral(", "));
    QString line = (outcome.batch.source == ImportBatch::Source::Card ? QStringLiteral("card %1: ")
                                                                      : QStringLiteral("watch folder %1: "))
                       .arg(folders) +
                   QStringLiteral("%1 arrived").arg(pictures(outcome.transferred));
    if (outcome.skipped > 0) {
        QStringList reasons;
        for (auto it = skips.begin(); it != skips.end(); ++it)
            reasons << QStringLiteral("%1 %2").arg(it.value()).arg(skipReasonText(it.key()));
        line +=
            QStringLiteral(", %1 skipped (%2)").arg(outcome.skipped).arg(reasons.join(QStringLiteral(", ")));
    }
    if (outcome.cardRemoved)
        line += QStringLiteral("; the card was taken out with %1 not imported")
                    .arg(pictures(outcome.picturesLeft));
    if (outcome.failureReason)
        line += QStringLiteral("; the transfer failed: %1").arg(*outcome.failureReason);
    if (outcome.stopped)
        line += QStringLiteral("; stopped on quitting, the rest waits for the next start");
    return line;
}

bool isFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

// The running watch: the tray program's start-up and wiring without its windows. Every wait is a
// timer on this thread; the import service's worker does the copying.
class HeadlessWatch : public QObject
{
public:
    HeadlessWatch(Edition edition, const QString& programName, const JobMaker& makeJob,
                  const QString& databasePath)
        : m_edition(edition), m_programName(programName)
    {
        const bool full = edition == Edition::Full;
        m_streams = FileEventStreamService::createSystemService();
        m_service = std::make_unique<ImportService>(
            ImportService::Services{m_streams.get(), EventIdStore::forProgram(programName), makeJob, edition,
                                    VolumeService::volumesFolders(),
                                    full ? TrevaselCommon::getTransferringMarkerFolder() : QString()});
        connect(m_service.get(), &ImportService::cardQuestion, this, &HeadlessWatch::importWithoutAsking);
        connect(m_service.get(), &ImportService::batchStarted, this, [this] { m_skips.clear(); });
        connect(m_service.get(), &ImportService::pictureSkipped, this,
                [this](const QString&, SkipReason why) { ++m_skips[why]; });
        connect(m_service.get(), &ImportService::batchEnded, this, &HeadlessWatch::batchEnded);
        connect(m_service.get(), &ImportService::watchFolderMissing, this, [](const QString& folder) {
            Logger::warning(
                QStringLiteral("the watch folder %1 is not there; nothing watches it").arg(folder));
        });
        connect(m_service.get(), &ImportService::stopped, this, [] { QCoreApplication::quit(); });
        if (!full)
            return;
        m_cardVolumes = std::make_unique<CardVolumes>(*m_service, VolumeService::createSystemService(),
                                                      std::make_unique<UDisksEjectService>());
        m_ngAnswers = std::make_unique<NGAnswerPoller>([] { return SettingsSnapshot::read(); },
                                                       &NGAnswerPoller::logAnswer);
        m_purge = std::make_unique<HistoryPurgeTimer>(
            [databasePath](qint64 before) { ImportedFileDao(databasePath).deleteBeforeDatetime(before); });
        m_destinationWait.setInterval(500);
        connect(&m_destinationWait, &QTimer::timeout, this, &HeadlessWatch::waitForDestination);
    }

    ~HeadlessWatch() override
    {
        m_cardVolumes.reset();
        m_service.reset(); // the worker ends here
    }

    void start(const SettingsSnapshotPtr& settings)
    {
        m_applied = settings;
        if (m_edition == Edition::Full) {
            m_ngAnswers->start(*settings);
            m_purge->start();
        }
        // A network volume may still be mounting: the sources wait for the destination, on a timer.
        const double seconds = std::clamp(settings->waitSecondsForDestination, 0.0, 3600.0);
        m_destinationDeadline = QDeadlineTimer(static_cast<qint64>(seconds * 1000));
        if (m_edition == Edition::Basic || isFolder(settings->destinationFolderPath) ||
            settings->destinationFolderPath.isEmpty() || m_destinationDeadline.hasExpired())
            finishLaunching();
        else
            m_destinationWait.start();
    }

    void quit()
    {
        if (m_quitting)
            return;
        m_quitting = true;
        m_destinationWait.stop();
        Logger::info(QStringLiteral("quitting"));
        m_service->stop(); // quits once the batch in hand has ended
    }

private:
    void waitForDestination()
    {
        if (isFolder(SettingsSnapshot::read()->destinationFolderPath) || m_destinationDeadline.hasExpired()) {
            m_destinationWait.stop();
            finishLaunching();
        }
    }

    void finishLaunching()
    {
        m_applied = SettingsSnapshot::read();
        registerSources(m_applied);
        if (m_applied->dicomExport) // DICOM files an earlier run could not write or send
            m_service->deliverWaiting(m_applied);
        followSettingsFile();
        Logger::info(QStringLiteral("%1 %2 (%3) is running without a display, settings %4")
                         .arg(m_programName, TrevaselCommon::getVersionNubmer(),
                              TrevaselCommon::getBuildNumber(),
                              TrevaselCommon::getUserSettingPlistFilePath()));
    }

    void registerSources(const SettingsSnapshotPtr& settings)
    {
        if (m_edition == Edition::Basic || isFolder(settings->destinationFolderPath))
            m_service->registerSources(settings);
        else if (settings->destinationFolderPath.isEmpty())
            Logger::warning(
                QStringLiteral("the settings name no destination folder; nothing is imported until "
                               "they do"));
        else
            Logger::warning(
                QStringLiteral("the destination folder \"%1\" cannot be found; nothing is imported "
                               "until the settings name one that is there")
                    .arg(settings->destinationFolderPath));
    }

    // The folder too: a settings file written whole is a new file renamed over the old one.
    void followSettingsFile()
    {
        const QString file = TrevaselCommon::getUserSettingPlistFilePath();
        m_settingsWatcher.addPath(QFileInfo(file).absolutePath());
        m_settingsWatcher.addPath(file);
        m_settingsSettle.setSingleShot(true);
        m_settingsSettle.setInterval(500); // a file written piece by piece is read once it is whole
        connect(&m_settingsSettle, &QTimer::timeout, this, &HeadlessWatch::settingsFileChanged);
        const auto changed = [this] { m_settingsSettle.start(); };
        connect(&m_settingsWatcher, &QFileSystemWatcher::fileChanged, this, changed);
        connect(&m_settingsWatcher, &QFileSystemWatcher::directoryChanged, this, changed);
    }

    void settingsFileChanged()
    {
        if (m_quitting)
            return;
        const QString file = TrevaselCommon::getUserSettingPlistFilePath();
        // The watch follows the file's path, whichever file is there now.
        m_settingsWatcher.removePath(file);
        if (QFileInfo::exists(file))
            m_settingsWatcher.addPath(file);
        const std::optional<QVariantMap> stored = TrevaselCommon::readUserSettingDictionary();
        if (!stored || !QFileInfo::exists(file)) {
            if (!m_settingsUnreadable)
                Logger::warning(
                    QStringLiteral("the settings file %1 cannot be read; the sources stay as they are")
                        .arg(file));
            m_settingsUnreadable = true;
            return;
        }
        m_settingsUnreadable = false;
        const auto settings = std::make_shared<const SettingsSnapshot>(
            SettingsSnapshot::fromDictionary(*stored, TrevaselCommon::edition()));
        if (*settings == *m_applied)
            return;
        // Each batch reads the file afresh; only what the sources watch needs them made anew, which
        // would drop the events their streams are gathering now.
        const bool sourcesChange = !sameSources(*settings, *m_applied);
        m_applied = settings;
        Logger::info(sourcesChange ? QStringLiteral("the settings file changed; the sources follow it")
                                   : QStringLiteral("the settings file changed"));
        // At once, or once the running batch has ended.
        if (sourcesChange)
            registerSources(settings);
    }

    static bool sameSources(const SettingsSnapshot& a, const SettingsSnapshot& b)
    {
        return a.watchFolder == b.watchFolder && a.watchFolderPath == b.watchFolderPath &&
               a.watchRemovableDiskDrive == b.watchRemovableDiskDrive &&
               a.destinationFolderPath == b.destinationFolderPath;
    }

    void importWithoutAsking(const QStringList& cards)
    {
        Logger::warning(
            QStringLiteral("\"confirm before sending\" is on, but no one can be asked here: importing %1")
                .arg(cards.join(QStringLiteral(", "))));
        m_service->importCards(cards, SettingsSnapshot::read());
    }

    void batchEnded(const ImportOutcome& outcome)
    {
        const QString line = resultLine(outcome, m_skips);
        if (outcome.failureReason || outcome.cardRemoved)
            Logger::warning(line);
        else
            Logger::info(line);
        if (outcome.batch.source == ImportBatch::Source::Card && !outcome.stopped && m_cardVolumes &&
            outcome.settings && outcome.settings->ejectRemovableDevice)
            m_cardVolumes->ejectMedia(outcome.batch.folders);
    }

    Edition m_edition;
    QString m_programName;
    std::unique_ptr<FileEventStreamService> m_streams;
    std::unique_ptr<ImportService> m_service;
    std::unique_ptr<CardVolumes> m_cardVolumes;
    std::unique_ptr<NGAnswerPoller> m_ngAnswers;
    std::unique_ptr<HistoryPurgeTimer> m_purge;
    QMap<SkipReason, qint64> m_skips; // of the batch that runs now
    SettingsSnapshotPtr m_applied;    // the settings the sources follow
    QFileSystemWatcher m_settingsWatcher;
    QTimer m_settingsSettle;
    QTimer m_destinationWait;
    QDeadlineTimer m_destinationDeadline;
    bool m_settingsUnreadable = false;
    bool m_quitting = false;
};

} // namespace

int runWatchCommand(const QStringList& arguments)
{
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral("the settings property list to follow (\"Trevasel-setting.plist\")"),
        QStringLiteral("FILE"));
    const QCommandLineOption databaseOption(
        QStringLiteral("database"),
        QStringLiteral(
            "the import history (default: the full edition's \"Trevasel.db\"; created when missing)"),
        QStringLiteral("FILE"));
    const QCommandLineOption basicOption(QStringLiteral("basic"), QStringLiteral("run as the basic edition"));
    CommandLine commandLine(texts, {settingsOption, databaseOption, basicOption});
    if (const auto status = commandLine.read(arguments))
        return *status;
    const QString settingsPath = commandLine.parser().value(settingsOption);
    if (settingsPath.isEmpty())
        return commandLine.usageError(QStringLiteral("--settings FILE is required"));
    if (!commandLine.parser().positionalArguments().isEmpty())
        return commandLine.usageError(QStringLiteral("unexpected argument '%1'")
                                          .arg(commandLine.parser().positionalArguments().first()));
    const bool basic = commandLine.parser().isSet(basicOption);
    const Edition edition = basic ? Edition::Basic : Edition::Full;
    // The tray program's name: a watch and the tray program of one edition would import the same
    // cards, so they share one lock, and where their event streams stopped.
    const QString programName = basic ? QStringLiteral("Trevasel") : QStringLiteral("TrevaselForPravena");

    TrevaselCommon::setEdition(edition);
    TrevaselCommon::setUserSettingPlistFilePath(settingsPath);
    SingleInstanceLock lock(programName);
    if (!lock.tryLock()) {
        std::fprintf(stderr,
                     "trevasel-cli watch: %s already runs for this user (a watch of its edition, or its tray "
                     "program; lock %s)\n",
                     qPrintable(programName), qPrintable(lock.lockFilePath()));
        return 1;
    }
    const std::optional<QVariantMap> stored = TrevaselCommon::readUserSettingDictionary();
    if (!QFileInfo::exists(settingsPath) || !stored) {
        std::fprintf(stderr, "trevasel-cli watch: cannot read the settings file %s\n",
                     qPrintable(settingsPath));
        return 1;
    }
    QString databasePath = commandLine.parser().value(databaseOption);
    if (!basic && databasePath.isEmpty())
        databasePath = TrevaselCommon::getDBFilePath();
    // The full edition keeps its history ready: the settings may switch it on at any time.
    const std::optional<JobMaker> makeJob =
        editionJobMaker("trevasel-cli watch", basic, databasePath, !basic);
    if (!makeJob)
        return 1;

    const QuitSignals quitSignals;
    HeadlessWatch watch(edition, programName, *makeJob, databasePath);
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &watch, [&watch] { watch.quit(); });
    watch.start(std::make_shared<const SettingsSnapshot>(SettingsSnapshot::fromDictionary(*stored, edition)));
    return QCoreApplication::exec();
}
