#include "transfer/WatchFolderBatch.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "transfer/CopyFailedException.h"

QString WatchFolderBatch::folderDateFormat(const QVariantMap& settings)
{
    QString pattern = SettingsValue::stringValue(settings, QLatin1String(SettingsKey::dateFormatString));
    return pattern.replace(QStringLiteral("YYYY"), QStringLiteral("yyyy")).replace(QStringLiteral("DD"), QStringLiteral("dd"));
}

WatchFolderBatchResult WatchFolderBatch::run(TransferJob& job, const QVariantMap& settings, const QStringList& folders)
{
    WatchFolderBatchResult result;
    job.setFolderDateFormat(folderDateFormat(settings));
    const bool isMove = SettingsValue::boolValue(settings, QLatin1String(SettingsKey::deleteOriginalImage));
    job.createTransferringFile();
    try {
        for (const QString& folder : folders) {
            // The basic job's count runs on over its calls; the batch adds up each call's own.
            job.setOperationCounter(0);
            job.copyImage(folder, settings, isMove);
            result.transferred += job.operationCounter();
        }
    } catch (const CopyFailedException& failure) {
        result.failureReason = failure.reason();
    }
    job.finishBatch();
    job.deleteTransferringFile();
    return result;
}
