#pragma once

#include "history/BaseDao.h"
#include "history/ImportedFileEntity.h"
#include "history/PictureHashEntity.h"

#include <QString>

#include <optional>
#include <vector>

// The import history: table imported_file of the full edition's database "Trevasel.db", and beside it
// table imported_file_hash, what every imported picture's bytes were. The caller passes the database
// file's path (the full edition's TrevaselCommon::getDBFilePath()); making the file on a fresh
// installation is HistoryDatabase's job, not this class's.
class ImportedFileDao : public BaseDao
{
public:
    using BaseDao::BaseDao;

    // Rows whose file_name and camera_id equal the values exactly.
    std::vector<ImportedFileEntity> findByFileNameCameraId(const QString& fileName,
                                                           const QString& cameraId) const;
    // The duplicate check of the import: rows of the camera whose file_name matches "%/" followed by
    // fileName under SQL "like". So the name must follow a "/", ASCII letters match either case, and
    // "_" or "%" in the name match any one character or any run of characters. A row whose camera_id
    // is NULL matches no camera. The index on the last path component finds the rows without reading
    // the table (see getLikeFileNameCameraIdQuery).
    std::vector<ImportedFileEntity> findByLikeFileNameCameraId(const QString& fileName,
                                                               const QString& cameraId) const;
    // The same lookup over the rows whose id is above afterId only: what an earlier lookup of the
    // same name, made when newestId() gave afterId, has not seen. Ids grow with every insert (only
    // a table emptied by a purge starts again at 1).
    std::vector<ImportedFileEntity>
    findByLikeFileNameCameraIdAfter(const QString& fileName, const QString& cameraId, qint64 afterId) const;
    // The highest id in the table, 0 when it is empty; none when the table cannot be read.
    std::optional<qint64> newestId() const;
    // Deletes the rows whose datetime is at or before the value (yyyyMMddHHmmss), those of the
    // pictures' hashes too. A database from before the hashes were kept has none to delete.
    bool deleteBeforeDatetime(qint64 datetime) const;

    // Adds a row to imported_file_hash; its id is the table's to give (row.id is not read). False
    // when the database lacks the table (HistoryDatabase::createIfMissing adds it) or cannot be
    // written.
    bool insertPictureHash(const PictureHashEntity& row) const;
    // The hash rows whose datetime is at or after the value, lowest id first. Empty also when they
    // cannot be read; lastFailure() tells the two apart.
    std::vector<PictureHashEntity> findPictureHashesSince(qint64 datetime) const;
    // Adds a column to imported_file. Adding one that exists fails in the database and changes
    // nothing. False also when the statement is refused (see getAddColumnQuery).
    bool addColumn(const QString& columnName, const QString& type, bool notNull,
                   const QString& defaultValue) const;

    // "alter table imported_file add column NAME TYPE ", then "not null default DEFAULT " when notNull
    // is set, then ";". Schema statements take no bound values, so the parts are checked instead: the
    // name must be an identifier, the type one or more type words with an optional size such as
    // "(10)" or "(10, 2)", and the default (read only when notNull is set) one SQL literal: a number,
    // a quoted text with its quotes doubled, a blob x'..', NULL, TRUE, FALSE or CURRENT_TIME, _DATE,
    // _TIMESTAMP. Anything else gives none.
    static std::optional<QString> getAddColumnQuery(const QString& columnName, const QString& type,
                                                    bool notNull, const QString& defaultValue);

    // The statement of the duplicate check, over the rows above afterId when given. It finds what the
    // "like" over the whole table finds; the terms on the last path component only narrow the rows
    // it reads to those the index imported_file_camera_name names. The reasoning: "%/" + fileName
    // matches a file_name that ends with "/" and a text M as long as fileName that matches it
    // character by character (ASCII letters in either case; "_" matches any character, "/" too). If
    // fileName holds no "/", "%" or NUL, a "/" in M stands only where fileName has a "_", so the last
    // path component is M after its last "/", or all of M: it begins with one of fileName's runs
    // between "_", or equals the last run, without regard to ASCII case. One index range per run, the
    // "like" over the rows found. An empty run before a "_" would range over all of the camera's
    // rows; such a name, and one with "/", "%" or NUL, is looked up by "like" alone. (The reasoning
    // holds for file names stored as valid UTF-8 without NUL, as every writer of the table stores
    // them.)
    static SqlStatement getLikeFileNameCameraIdQuery(const QString& fileName, const QString& cameraId,
                                                     std::optional<qint64> afterId = std::nullopt);

protected:
    SqlStatement getFindAllQuery() const override;
    SqlStatement getInsertQuery(const BaseEntity& record) const override;
    SqlStatement getDeleteQuery(qint64 recordId) const override;
    std::unique_ptr<BaseEntity> getEntity(const FMResultSet& row) const override;

private:
    std::vector<ImportedFileEntity> executeFindImportedFiles(const SqlStatement& statement) const;
};
