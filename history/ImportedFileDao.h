#pragma once

#include "history/BaseDao.h"
#include "history/ImportedFileEntity.h"

#include <QString>

#include <optional>
#include <vector>

// The import history: table imported_file of the full edition's database "Trevasel.db". The caller
// passes the database file's path (the full edition's TrevaselCommon::getDBFilePath()); making the
// file on a fresh installation is HistoryDatabase's job, not this class's.
class ImportedFileDao : public BaseDao
{
public:
    using BaseDao::BaseDao;

    // Rows whose file_name and camera_id equal the values exactly.
    std::vector<ImportedFileEntity> findByFileNameCameraId(const QString& fileName,
                                                           const QString& cameraId) const;
    // The duplicate check of the import: rows of the camera whose file_name matches "%/" followed by
    // fileName under SQL "like". So the name must follow a "/", ASCII letters match either case, and
    // "_" or "%" in the name match any one character or any run of characters.
    std::vector<ImportedFileEntity> findByLikeFileNameCameraId(const QString& fileName,
                                                               const QString& cameraId) const;
    // The same lookup over the rows whose id is above afterId only: what an earlier lookup of the
    // same name, made when newestId() gave afterId, has not seen. Ids grow with every insert (only
    // a table emptied by a purge starts again at 1).
    std::vector<ImportedFileEntity>
    findByLikeFileNameCameraIdAfter(const QString& fileName, const QString& cameraId, qint64 afterId) const;
    // The highest id in the table, 0 when it is empty; none when the table cannot be read.
    std::optional<qint64> newestId() const;
    // Deletes the rows whose datetime is at or before the value (yyyyMMddHHmmss).
    bool deleteBeforeDatetime(qint64 datetime) const;
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

protected:
    SqlStatement getFindAllQuery() const override;
    SqlStatement getInsertQuery(const BaseEntity& record) const override;
    SqlStatement getDeleteQuery(qint64 recordId) const override;
    std::unique_ptr<BaseEntity> getEntity(const FMResultSet& row) const override;

private:
    std::vector<ImportedFileEntity> executeFindImportedFiles(const SqlStatement& statement) const;
};
