#pragma once

#include "transfer/TransferJob.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// One batch of the watch-folder source: the settings snapshot is read once, the transferring marker
// stands while the job runs, the job is called once per folder in order. A transfer failure ends the
// batch; its reason is kept for the user, with the count of the pictures that arrived before it.
struct WatchFolderBatchResult
{
    qint64 transferred = 0;
    std::optional<QString> failureReason; // set when the batch ended with copyFailedException
};

class WatchFolderBatch
{
public:
    // Runs the job on every folder with the snapshot; isMove is "delete original image".
    static WatchFolderBatchResult run(TransferJob& job, const QVariantMap& snapshot,
                                      const QStringList& folders);
};
