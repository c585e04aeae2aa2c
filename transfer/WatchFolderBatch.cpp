#include "transfer/WatchFolderBatch.h"

#include "transfer/CopyFailedException.h"

#include <QDir>

#include <algorithm>

namespace {

// The folders without those that lie below another of them: a job that descends into sub-folders
// would otherwise look at a folder once for each of its ancestors in the batch (a tree moved in
// reports every folder of it).
QStringList outermost(const QStringList& folders)
{
    QStringList kept;
    for (const QString& folder : folders) {
        const QString clean = QDir::cleanPath(folder);
        const bool below = std::any_of(folders.begin(), folders.end(), [&](const QString& other) {
            const QString ancestor = QDir::cleanPath(other);
            return ancestor != clean &&
                   clean.startsWith(ancestor.endsWith(u'/') ? ancestor : ancestor + u'/');
        });
        if (!below && !kept.contains(clean))
            kept << clean;
    }
    return kept;
}

} // namespace

ImportOutcome WatchFolderBatch::run(TransferJob& job, const SettingsSnapshot& settings,
                                    const QStringList& requested)
{
    const QStringList folders = job.descendsIntoFolders() ? outermost(requested) : requested;
    ImportOutcome result;
    result.batch = {ImportBatch::Source::WatchFolder, requested, 0, 0};
    job.beginBatch();
    job.createTransferringFile();
    try {
        for (const QString& folder : folders) {
            if (TransferJob::stopRequested())
                break;
            job.copyImage(folder, settings, settings.deleteOriginalImage);
        }
    } catch (const CopyFailedException& failure) {
        result.failureReason = failure.reason();
    }
    job.finishBatch();
    result.transferred = job.batchCount();
    result.stopped = TransferJob::stopRequested();
    result.unsettledFolders = job.unsettledFolders();
    job.deleteTransferringFile();
    return result;
}
