#include "transfer/WatchSDCardOperator.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
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

WatchSDCardOperator::WatchSDCardOperator(Services services) : m_services(std::move(services))
{
    ORVSDManager::sharedInstance().setVolumesFolders(m_services.volumesFolders);
}

void WatchSDCardOperator::registWatchingSDCardFolder()
{
    const quint64 since = m_services.eventIds.load(EventIdStore::kSDCardKey);
    // The stream's first batch replays the changes since the stored position; they were seen by an
    // earlier run, so that batch is dropped. Without a stored position nothing is replayed.
    m_dropNextBatch = since != 0;
    m_stream.reset(); // the earlier stream stops before the new one starts
    m_stream = m_services.streams->createStream(m_services.volumesFolders, since,
                                                [this](const FileEventBatch& batch) { handleEvents(batch); });
}

void WatchSDCardOperator::stopWatchingSDCardFolder()
{
    m_stream.reset();
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

bool WatchSDCardOperator::checkSearchFolder(const QString& path) const
{
    for (const QString& folder : m_services.volumesFolders) {
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

SourceShell::CardTransfer WatchSDCardOperator::cardTransfer()
{
    // The confirmation may outlive this source (settings applied meanwhile make a new one), so the
    // transfer keeps its own copy of what the batch needs.
    std::shared_ptr<TransferJob> job = m_services.makeJob();
    auto source = std::make_shared<WatchSDCardOperator>(m_services);
    return {[job](const QString& folder) { return job->getTotalImageFileCount(folder, 0); },
            [source, job](const QStringList& cards) { source->copyImage(cards, *job); }};
}

void WatchSDCardOperator::handleEvents(const FileEventBatch& batch)
{
    if (m_dropNextBatch) {
        m_dropNextBatch = false;
        return;
    }
    SourceShell& shell = *m_services.shell;
    const bool full = m_services.edition == Edition::Full;
    shell.pause(m_services.settleTime); // the volume settles; windows keep drawing

    ORVSDManager& cards = ORVSDManager::sharedInstance();
    QStringList cardFolders;
    bool newCard = false;
    for (const QString& eventPath : batch.paths()) {
        if (!full)
            Logger::plain(QStringLiteral("$$$$$$$$$$$$$$$$$$$$$$$$$ source path:[%1]  target path:[%2]")
                              .arg(eventPath)
                              .arg(checkSearchFolder(eventPath) ? 1 : 0));
        const QStringList names = QDir(eventPath).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QString& name : names) {
            const QString volume = eventPath + QLatin1Char('/') + name;
            if (!hasMarker(volume) || cardFolders.contains(volume))
                continue;
            cardFolders << volume;
            const QString marker = volume + QLatin1Char('/') + markerName;
            if (full && cards.checkUpdate(marker)) {
                cards.setTarget(marker);
                newCard = true;
            }
        }
    }

    const QVariantMap snapshot = TrevaselCommon::getUserSettingDictionary();
    const bool confirm =
        SettingsValue::intValue(snapshot, QLatin1String(SettingsKey::confirmBeforeSending)) == 1001;
    if (full && (!newCard || cardFolders.isEmpty())) {
        cards.removeUnmountTarget(); // forget the cards that are gone
    } else if (!cardFolders.isEmpty()) {
        if (confirm) {
            if (!shell.checkWindow(SourceWindow::confirmation))
                shell.confirmCardTransfer(cardFolders, cardTransfer());
            else
                shell.bringToFront(SourceWindow::confirmation);
            if (full)
                shell.hideWindow(SourceWindow::progress);
        } else {
            const std::unique_ptr<TransferJob> job = m_services.makeJob();
            copyImage(cardFolders, *job);
        }
    }
    m_services.eventIds.save(EventIdStore::kSDCardKey, batch.lastEventId());
}

void WatchSDCardOperator::copyImage(const QStringList& cards, TransferJob& job)
{
    const QVariantMap snapshot = TrevaselCommon::getUserSettingDictionary();
    if (m_services.edition == Edition::Basic) {
        runBasicBatch(cards, job, snapshot);
        return;
    }
    SourceShell& shell = *m_services.shell;
    const TransferSettings settings = TransferSettings::fromSnapshot(snapshot);
    job.setObserver(&shell);
    job.beginBatch();
    job.createTransferringFile();
    bool ok = true;
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
        ok = false;
        shell.showTransferFailure(failure.reason());
    }
    job.finishBatch();
    job.deleteTransferringFile();
    if (shell.checkWindow(SourceWindow::progress)) {
        shell.pause(m_services.closingTime); // the progress window shows its last state
        shell.postNotification(SourceWindow::closeProgressWindow);
    }
    if (TransferJob::stopRequested())
        return;
    if (SettingsValue::boolValue(snapshot, QLatin1String(SettingsKey::ejectRemovableDevice))) {
        shell.pause(m_services.closingTime);
        shell.ejectMedia(cards);
    }
    const qint64 total = job.batchCount();
    if (SettingsValue::boolValue(snapshot, QLatin1String(SettingsKey::displayDesktopNotice)) &&
        (total > 0 || ok) && !shell.checkWindow(SourceWindow::alert))
        shell.showCopyResult(total);
}

void WatchSDCardOperator::runBasicBatch(const QStringList& cards, TransferJob& job,
                                        const QVariantMap& snapshot)
{
    const TransferSettings settings = TransferSettings::fromSnapshot(snapshot);
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
    if (SettingsValue::boolValue(snapshot, QLatin1String(SettingsKey::displayDesktopNotice)) &&
        !TransferJob::stopRequested())
        m_services.shell->showCopyResult(job.batchCount());
}
