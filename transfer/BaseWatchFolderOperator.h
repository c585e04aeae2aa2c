#pragma once

#include "metadata/ExifEntity.h"
#include "metadata/ExifOperator.h"
#include "platform/FileSystem.h"
#include "transfer/CopyAheadPipeline.h"
#include "transfer/NamingRules.h"
#include "transfer/TransferJob.h"

#include <QSet>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class ImportedFileDao;

// The full edition's transfer job: finds every picture of the supported cameras in a folder and
// its sub-folders, names it by patient, copies or moves it (a movie as its ".MOV" with the ".MIF"
// index), writes the XML description for the practice-management system, records the import in
// the history, and reports progress. Naming rules are inherited from NamingRules.
//
// Every copy is complete and on disk before it gets its final name; a copy that fails leaves no
// file under the final name and ends the batch with CopyFailedException. A moved picture leaves the
// source only after it is safe at its destination and its description is written: within one
// filesystem it first gets its second name by a hard link, and the sources go in groups, once the
// new names are on disk.
//
// Copied stills go through a CopyAheadPipeline: their data is written ahead while the stills before
// them are synced, and each is named only once every still before it is in place and recorded.
class BaseWatchFolderOperator : public TransferJob, public NamingRules, private CopyAheadPipeline::Delegate
{
public:
    // databaseFilePath: the import history ("activate avoid multiple import check").
    explicit BaseWatchFolderOperator(QString databaseFilePath);
    ~BaseWatchFolderOperator() override;

    using TransferJob::copyImage;
    void copyImage(const QString& sourceFolder, const SettingsSnapshot& settings, bool isMove) override;
    qint64 getTotalImageFileCount(const QString& folder, qint64 startCount) const override;
    ImageTotals getTotalImages(const QString& folder) const override;
    bool descendsIntoFolders() const override { return true; }
    void createTransferringFile() const override;
    void deleteTransferringFile() const override;
    void finishBatch() override;
    void deliverWaiting(const SettingsSnapshot& settings) override;

    // The camera test: description, make and model of the supported cameras.
    static bool checkValidImageData(const ExifEntity& record);
    // Writes the metadata of one image to the log.
    static void logoutExifInformation(const ExifEntity& record, const QString& sourcePath,
                                      const QString& destinationPath);
    // Where a picture that passed the camera test goes: its patient, day and serial folders below
    // the destination root, every part cleaned; none when it is skipped (no patient ID, no
    // shooting date). Throws CopyFailedException when the settings name no usable root.
    static std::optional<TransferEntry> entryFor(const QString& path, bool movie, ExifEntity record,
                                                 const SettingsSnapshot& settings);

private:
    // Counts the stills below folder and adds up their bytes.
    static void measureFolder(const QString& folder, qint64& count, qint64& bytes);
    // How many moved sources wait for their new names to reach the disk before they are removed.
    static constexpr std::size_t kSourcesPerRemoval = 256;

    void copyFolder(const QString& sourceFolder, bool isMove);
    // Transfers one still or movie index, or skips it. linkable: a moved still can be linked.
    void transferEntry(const QString& path, bool movie, bool linkable);
    // Reads the picture and works out its folders; none when it is skipped.
    std::optional<TransferEntry> examine(const QString& path, bool movie);
    // Names the entry and asks the history. A quiet choice is a first look: it logs nothing and
    // notes the newest history row. With such an earlier choice of the same name, only history rows
    // newer than that one are looked at.
    TargetChoice chooseTarget(const TransferEntry& entry, bool quiet, const TargetChoice* earlier = nullptr);
    // A moved still within one filesystem, or a movie pair, in one go.
    void place(const TransferEntry& entry, const QString& target);
    // The description, the log, the history row and the count of a picture now in place.
    void recordTransfer(const TransferEntry& entry, const QString& target,
                        const std::vector<StoredFile>& stored);
    // Writes the still's DICOM file, when the settings ask for one; a failure is logged only.
    void exportDicom(const TransferEntry& entry, const QString& target);
    // Keeps the hash of every file stored, so that the store can be read back against it later.
    void recordHashes(const std::vector<StoredFile>& stored);
    // What a copy of a still (or of a movie file) checks.
    FileSystem::CopyChecks copyChecks(bool still) const;
    // The history row of a picture now at target.
    void recordHistoryRow(const TransferEntry& entry, const QString& target);
    // The same shot lies at the destination as copy: its history row and, in move mode, the
    // removal of its source follow if a batch cut off earlier left them undone.
    void alreadyInPlace(const TransferEntry& entry, const QString& copy);
    // Ends the batch when the history could not answer: nothing it cannot vouch for is imported.
    void checkHistory(const ImportedFileDao& history) const;
    // Removes the moved sources whose pictures are safe now.
    void removeMovedSources();

    TargetChoice decideTarget(const TransferEntry& entry, const TargetChoice& firstLook) override;
    void arrived(const TransferEntry& entry, const StoredFile& stored) override;
    void unfinished(const TransferEntry& entry) override;

    // Makes the destination folder and, once per batch, removes what a copy cut off by a power
    // failure or a crash left in it.
    void prepareFolder(const QString& folder);

    // The import history, one connection for the whole batch (see BaseDao::beginSession).
    ImportedFileDao& importHistory();

    QString m_databaseFilePath;
    ExifOperator m_reader;
    std::unique_ptr<ImportedFileDao> m_history;
    CopyAheadPipeline m_pipeline{*this};
    FileSystem::SourceRemovals m_movedSources;
    QSet<QString> m_tidiedFolders;
    // The call's settings and mode, for the steps that the pipeline calls back.
    const SettingsSnapshot* m_settings = nullptr;
    bool m_isMove = false;
    int m_depth = 0;
};
