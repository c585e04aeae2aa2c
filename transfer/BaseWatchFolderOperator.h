#pragma once

#include "metadata/ExifEntity.h"
#include "metadata/ExifOperator.h"
#include "platform/FileSystem.h"
#include "transfer/NamingRules.h"
#include "transfer/TransferJob.h"

#include <QSet>
#include <QString>
#include <QVariantMap>

#include <deque>
#include <memory>
#include <optional>

class ImportedFileDao;

// The full edition's transfer job: finds every picture of the supported cameras in a folder and
// its sub-folders, names it by patient, copies or moves it (a movie as its ".MOV" with the ".MIF"
// index), writes the XML description for the practice-management system, records the import in
// the history, and reports progress. Naming rules are inherited from NamingRules.
//
// Every copy is complete and on disk before its source is deleted; a copy that fails leaves no file
// under the final name and ends the batch with CopyFailedException.
//
// In copy mode a still's data is written while the data of up to two stills before it is still on
// its way to the disk. Its name is only decided once every still before it is in place and
// recorded, exactly as if they were copied one after the other; a copy made ahead that turns out to
// be skipped is removed.
class BaseWatchFolderOperator : public TransferJob, public NamingRules
{
public:
    // databaseFilePath: the import history ("activate avoid multiple import check").
    explicit BaseWatchFolderOperator(QString databaseFilePath);
    ~BaseWatchFolderOperator() override;

    void copyImage(const QString& sourceFolder, const QVariantMap& settings, bool isMove) override;
    qint64 getTotalImageFileCount(const QString& folder, qint64 startCount) const override;
    void createTransferringFile() const override;
    void deleteTransferringFile() const override;
    void finishBatch() override;

    // The camera test: description, make and model of the supported cameras.
    static bool checkValidImageData(const ExifEntity& record);
    // Writes the metadata of one image to the log.
    static void logoutExifInformation(const ExifEntity& record, const QString& sourcePath,
                                      const QString& destinationPath);
    // "$TMP" in the folder that holds the program.
    static QString transferringFilePath();

private:
    // What is known of a still or movie index before it is named.
    struct Entry
    {
        QString path;
        bool movie = false;
        ExifEntity record;
        QString folder;      // below the destination root: patient, day and serial folders
        QString root;        // the pictures' root, which also holds "deliver"
        QString destination; // the folder the file goes to (under the movie root for a movie)
    };
    // The name an entry takes in its destination folder, or none when it is skipped.
    struct Choice
    {
        std::optional<QString> target;
        std::optional<qint64> historySeenUpTo; // newest history row when the history was asked
    };
    // A still whose copy is written and on its way to the disk. It is named for good once every
    // still before it is in place: the oldest staged still always is, the others are not yet.
    struct StagedStill
    {
        Entry entry;
        Choice choice; // the first look's, then (for the oldest) the final one
        FileSystem::StagedCopy copy;
    };
    // How many copied stills may wait for their data to reach the disk while the next is copied.
    static constexpr std::size_t kStillsInFlight = 2;

    void copyFolder(const QString& sourceFolder, const QVariantMap& settings, bool isMove);
    // Transfers one still or movie index, or skips it.
    void transferEntry(const QString& path, bool movie, const QVariantMap& settings, bool isMove);
    // Reads the picture and works out its folders; none when it is skipped.
    std::optional<Entry> examine(const QString& path, bool movie, const QVariantMap& settings);
    // Names the entry and asks the history. A quiet choice is a first look: it logs nothing and
    // notes the newest history row. With such an earlier choice of the same name, only history rows
    // newer than that one are looked at.
    Choice chooseTarget(const Entry& entry, const QVariantMap& settings, bool quiet, const Choice* earlier = nullptr);
    // Copies a still to a temporary file in its destination folder; on failure the stills before it
    // are put in place first and then the batch ends.
    FileSystem::StagedCopy stage(const Entry& entry, const QString& targetForMessages, const QVariantMap& settings);
    // Puts the oldest staged still in place, records it and names the next one.
    void finishOldest(const QVariantMap& settings);
    // Names the stills that have become the oldest until one is taken; skipped ones are dropped
    // with their copies.
    void decideOldest(const QVariantMap& settings);
    // Puts every staged still in place, in order.
    void finishStaged(const QVariantMap& settings);
    // Moves a still, or copies or moves a movie pair, in one go.
    void place(const Entry& entry, const QString& target, const QVariantMap& settings, bool isMove);
    // The description, the log, the history row and the count of a picture now in place.
    void recordTransfer(const Entry& entry, const QString& target, const QVariantMap& settings);

    // Makes the destination folder and, once per batch, removes what a copy cut off by a power
    // failure left in it.
    void prepareFolder(const QString& folder);

    // The import history, one connection for the whole batch (see BaseDao::beginSession).
    ImportedFileDao& importHistory();

    QString m_databaseFilePath;
    ExifOperator m_reader;
    std::unique_ptr<ImportedFileDao> m_history;
    std::deque<StagedStill> m_staged; // oldest first
    QSet<QString> m_tidiedFolders;
};
