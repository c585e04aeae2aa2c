#pragma once

#include "metadata/ExifEntity.h"
#include "metadata/ExifOperator.h"
#include "transfer/NamingRules.h"
#include "transfer/TransferJob.h"

#include <QString>
#include <QVariantMap>

#include <memory>

class ImportedFileDao;

// The full edition's transfer job: finds every picture of the supported cameras in a folder and
// its sub-folders, names it by patient, copies or moves it (a movie as its ".MOV" with the ".MIF"
// index), writes the XML description for the practice-management system, records the import in
// the history, and reports progress. Naming rules are inherited from NamingRules.
//
// Every copy is complete and on disk before its source is deleted; a copy that fails leaves no file
// under the final name and ends the batch with CopyFailedException.
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
    void copyFolder(const QString& sourceFolder, const QVariantMap& settings, bool isMove);
    // Transfers one still or movie index; false when the entry is skipped.
    bool transferEntry(const QString& path, bool movie, const QVariantMap& settings, bool isMove);

    // The import history, one connection for the whole batch (see BaseDao::beginSession).
    ImportedFileDao& importHistory();

    QString m_databaseFilePath;
    ExifOperator m_reader;
    std::unique_ptr<ImportedFileDao> m_history;
};
