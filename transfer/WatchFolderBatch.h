#pragma once

#include "transfer/ImportBatch.h"
#include "transfer/TransferJob.h"

#include <QStringList>

// One batch of the watch-folder source, and of `trevasel-cli import`: the transferring marker stands
// while the job runs, the job is called once per folder in order. A transfer failure ends the batch;
// its reason is kept for the user, with the count of the pictures that arrived before it. A stop
// request (the program is quitting) ends it after the picture in hand.
class WatchFolderBatch
{
public:
    // Runs the job on every folder; isMove is "delete original image".
    static ImportOutcome run(TransferJob& job, const SettingsSnapshot& settings, const QStringList& folders);
    static ImportOutcome run(TransferJob& job, const QVariantMap& settings, const QStringList& folders)
    {
        return run(job, SettingsSnapshot::fromDictionary(settings), folders);
    }
};
