#include "transfer/WatchFolderBatch.h"

#include "transfer/CopyFailedException.h"

WatchFolderBatchResult WatchFolderBatch::run(TransferJob& job, const QVariantMap& snapshot,
                                             const QStringList& folders)
{
    WatchFolderBatchResult result;
    const TransferSettings settings = TransferSettings::fromSnapshot(snapshot);
    job.beginBatch();
    job.createTransferringFile();
    try {
        for (const QString& folder : folders)
            job.copyImage(folder, settings, settings.deleteOriginalImage);
    } catch (const CopyFailedException& failure) {
        result.failureReason = failure.reason();
    }
    job.finishBatch();
    result.transferred = job.batchCount();
    job.deleteTransferringFile();
    return result;
}
