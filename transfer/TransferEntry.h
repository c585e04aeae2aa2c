#pragma once

#include "metadata/ExifEntity.h"
#include "platform/ContentHash.h"

#include <QString>

#include <optional>

// A still or movie index of the source folder that passed the camera test, with its folders worked
// out; the name it takes in its destination folder is decided later.
struct TransferEntry
{
    QString path;
    bool movie = false;
    ExifEntity record;
    QString folder;      // below the destination root: patient, day and serial folders
    QString root;        // the pictures' root, which also holds "deliver"
    QString destination; // the folder the file goes to (under the movie root for a movie)
};

// The name an entry takes in its destination folder, or none when it is skipped.
struct TargetChoice
{
    std::optional<QString> target;
    std::optional<qint64> historySeenUpTo; // the newest history row when the history was asked
};

// A file that arrived in the store, with the hash its copy read back as when it was verified.
struct StoredFile
{
    QString path;
    std::optional<ContentHash> hash;
};
