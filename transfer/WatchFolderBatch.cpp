#include "transfer/WatchFolderBatch.h"

#include "transfer/CopyFailedException.h"

ImportOutcome WatchFolderBatch::run(TransferJob& job, const SettingsSnapshot& settings,
                                    const QStringList& folders)
{
    ImportOutcome result;
    result.batch = {ImportBatch::Source::WatchFolder, folders, 0, 0};
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
