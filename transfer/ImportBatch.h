#pragma once

#include "app/SettingsSnapshot.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

// One batch as the import service reports it when it starts: where its pictures come from and, for a
// card, how many there are and how many bytes they hold (0 when not counted).
struct ImportBatch
{
    enum class Source { Card, WatchFolder };
    Source source = Source::WatchFolder;
    QStringList folders; // the card folders, or the folders in which something changed
    qint64 pictures = 0;
    qint64 bytes = 0;
};

// How a batch ended.
struct ImportOutcome
{
    ImportBatch batch;
    qint64 transferred = 0;               // pictures that arrived, also when the batch failed
    std::optional<QString> failureReason; // the batch ended with copyFailedException
    bool stopped = false;                 // the program is quitting: the batch ended early
    qint64 skipped = 0;                   // pictures looked at and left where they are
    // A card batch whose card was taken out before it had finished, and how many of the card's
    // pictures were neither imported nor looked at.
    bool cardRemoved = false;
    qint64 picturesLeft = 0;
    // Folders holding pictures too young to take (still being written); they come back later.
    QStringList unsettledFolders;
    SettingsSnapshotPtr settings; // the snapshot the batch ran with
};

Q_DECLARE_METATYPE(ImportBatch)
Q_DECLARE_METATYPE(ImportOutcome)
