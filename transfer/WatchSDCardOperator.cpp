#include "transfer/WatchSDCardOperator.h"

#include "platform/Logger.h"
#include "transfer/CopyFailedException.h"
#include "transfer/ORVSDManager.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const QString markerName = QStringLiteral("ORV_SD");

// The "ORV_SD" marker of a volume folder when it is a file (a folder of that name makes no card).
bool hasMarker(const QString& volume)
{
    const QFileInfo marker(volume + QLatin1Char('/') + markerName);
    return marker.exists() && !marker.isDir();
}

} // namespace

WatchSDCardOperator::WatchSDCardOperator(Services services) : m_services(std::move(services)) {}

void WatchSDCardOperator::registWatchingSDCardFolder()
{
    const quint64 since = m_services.eventIds.load(EventIdStore::kSDCardKey);
    // The stream's first batch replays the changes since the stored position; they were seen by an
    // earlier run, so that batch is dropped. Without a stored position nothing is replayed.
    m_dropNextBatch = since != 0;
    m_stream.reset(); // the earlier stream stops before the new one starts
    m_stream = m_services.streams->createStream(m_services.volumesFolders, since,
                                                [this](const FileEventBatch& batch) {
                                                    if (m_dropNextBatch) {
                                                        m_dropNextBatch = false;
                                                        return;
                                                    }
                                                    m_services.handleEvents(batch);
                                                });
}

QStringList WatchSDCardOperator::getAllSrcFolder(const QString& folder)
{
    QStringList folders;
    const QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& name : names) {
        if (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1String("Macintosh HD")))
            continue;
        const QString path = folder + QLatin1Char('/') + name;
        const QFileInfo info(path);
        // A linked folder could lead back up the card for ever.
        if (!info.isDir() || info.isSymLink())
            continue;
        folders << path << getAllSrcFolder(path);
    }
    return folders;
}

bool WatchSDCardOperator::checkSearchFolder(const QString& path, const QStringList& volumesFolders)
{
    for (const QString& folder : volumesFolders) {
        const QString prefix = QDir::cleanPath(folder) + QLatin1Char('/');
        if (!path.startsWith(prefix))
            continue;
        QString rest = path.mid(prefix.size());
        if (rest.endsWith(QLatin1Char('/')))
            rest.chop(1);
        return !rest.isEmpty() && !rest.contains(QLatin1Char('/'));
    }
    return false;
}

WatchSDCardOperator::CardScan WatchSDCardOperator::scanVolumes(const QStringList& eventPaths, Edition edition,
                                                               const QStringList& volumesFolders)
{
    const bool full = edition == Edition::Full;
    ORVSDManager& registry = ORVSDManager::sharedInstance();
    CardScan scan;
    for (const QString& eventPath : eventPaths) {
        if (!full)
            Logger::plain(QStringLiteral("$$$$$$$$$$$$$$$$$$$$$$$$$ source path:[%1]  target path:[%2]")
                              .arg(eventPath)
                              .arg(checkSearchFolder(eventPath, volumesFolders) ? 1 : 0));
        const QStringList names = QDir(eventPath).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QString& name : names) {
            const QString volume = eventPath + QLatin1Char('/') + name;
            if (!hasMarker(volume) || scan.cards.contains(volume))
                continue;
            scan.cards << volume;
            const QString marker = volume + QLatin1Char('/') + markerName;
            if (full && registry.checkUpdate(marker)) {
                registry.setTarget(marker);
                scan.newCard = true;
            }
        }
    }
    // The basic edition keeps no registry: every card it sees is one to import.
    if (!full)
        scan.newCard = !scan.cards.isEmpty();
    else if (!scan.newCard || scan.cards.isEmpty())
        registry.removeUnmountTarget(); // forget the cards that are gone
    return scan;
}

ImportOutcome WatchSDCardOperator::copyImage(const QStringList& cards, TransferJob& job,
                                             const SettingsSnapshot& settings, Edition edition)
{
    if (edition == Edition::Basic)
        return runBasicBatch(cards, job, settings);
    ImportOutcome outcome;
    job.beginBatch();
    job.createTransferringFile();
    try {
        for (const QString& card : cards) {
            // The job descends into every folder of the card itself, so the card folder alone
            // brings in what its folder list would.
            job.copyImage(card, settings, settings.deleteOriginalImage);
            if (TransferJob::stopRequested())
                break; // the card is not stamped: what is left on it is still new
            ORVSDManager::sharedInstance().modifyTimestamp(card + QLatin1Char('/') + markerName,
                                                           QDateTime::currentDateTime());
        }
    } catch (const CopyFailedException& failure) {
        outcome.failureReason = failure.reason();
    }
    job.finishBatch();
    job.deleteTransferringFile();
    outcome.transferred = job.batchCount();
    outcome.stopped = TransferJob::stopRequested();
    return outcome;
}

ImportOutcome WatchSDCardOperator::runBasicBatch(const QStringList& cards, TransferJob& job,
                                                 const SettingsSnapshot& settings)
{
    ImportOutcome outcome;
    job.beginBatch();
    try {
        // The basic job takes one folder at a time, so every folder of the card is named.
        for (const QString& card : cards)
            for (const QString& folder : QStringList{card} + getAllSrcFolder(card)) {
                if (TransferJob::stopRequested())
                    break;
                job.copyImage(folder, settings, settings.deleteOriginalImage);
            }
    } catch (const CopyFailedException& failure) {
        Logger::plain(failure.reason()); // the basic job reports nothing of its own; never expected
    }
    job.finishBatch();
    outcome.transferred = job.batchCount();
    outcome.stopped = TransferJob::stopRequested();
    return outcome;
}
