#pragma once

#include "transfer/TransferJob.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// One batch of the watch-folder source: the job gets its day pattern from the settings snapshot,
// the transferring marker stands while it runs, the job is called once per folder in order and the
// counts are added up. A transfer failure ends the batch; its reason is kept for the user.
struct WatchFolderBatchResult
{
    qint64 transferred = 0;
    std::optional<QString> failureReason; // set when the batch ended with copyFailedException
};

class WatchFolderBatch
{
public:
    // "date format string" with "YYYY" and "DD" taken as "yyyy" and "dd".
    static QString folderDateFormat(const QVariantMap& settings);

    // Runs the job on every folder with the snapshot; isMove is "delete original image".
    static WatchFolderBatchResult run(TransferJob& job, const QVariantMap& settings, const QStringList& folders);
};
