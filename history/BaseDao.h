#pragma once

#include "history/BaseEntity.h"
#include "history/FMDatabase.h"
#include "history/SqlStatement.h"

#include <QString>
#include <QVariant>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class FMResultSet;

// Generic data access over one table of one database file. A subclass gives the statements and
// turns a row into a record through the hooks; the operations here run them.
//
// Every operation opens a handle of its own on the file, runs one statement and closes the handle,
// so a DAO holds no connection and may be made and dropped freely. Operations never create the
// database file: on a missing file, a file without the table, a damaged file or a database that stays
// busy for the busy time-out, finds give empty lists (or none) and writes give false.
class BaseDao
{
public:
    explicit BaseDao(QString databaseFilePath,
                     std::chrono::milliseconds busyTimeout = FMDatabase::kDefaultBusyTimeout);
    virtual ~BaseDao();
    BaseDao(const BaseDao&) = default;
    BaseDao& operator=(const BaseDao&) = default;

    const QString& databaseFilePath() const { return m_databaseFilePath; }

    std::vector<std::unique_ptr<BaseEntity>> findAll() const;
    bool insert(const BaseEntity& record) const;
    bool deleteById(qint64 recordId) const;
    bool deleteByEntity(const BaseEntity& record) const;

    // One record per row, in row order; empty when the statement failed, also part-way through.
    std::vector<std::unique_ptr<BaseEntity>> executeFind(const SqlStatement& statement) const;
    // Hands every row to eachRow, in row order, for rows that are not this DAO's records. False when
    // the statement failed, also part-way through (the rows handed over so far are then no answer).
    bool executeForEachRow(const SqlStatement& statement,
                           const std::function<void(const FMResultSet&)>& eachRow) const;
    // The first column of the first row (see FMResultSet::objectForColumnIndex), or none without a row.
    std::optional<QVariant> executeFindSingleColumn(const SqlStatement& statement) const;
    bool executeUpdate(const SqlStatement& statement) const;
    bool existColumn(const QString& columnName, const QString& tableName) const;
    // Runs a schema change; callers such as the settings migration may ignore the result.
    bool alterTable(const QString& statement) const;
    // A closed handle on the database file with this DAO's busy time-out.
    std::unique_ptr<FMDatabase> getDatabase() const;

    // Why the latest operation failed ("database is locked", "file is not a database", ...), or none
    // when it succeeded. An empty list from a find is only trustworthy when this is none.
    const std::optional<QString>& lastFailure() const { return m_lastFailure; }

    // Keeps one connection open for a run of operations (a transfer batch) instead of one per
    // statement. Inside the session the database writes through a write-ahead log with
    // synchronous=NORMAL, so a commit costs no fsync; endSession() checkpoints the log into the
    // database file, which makes every row durable, and returns the file to its rollback journal.
    // Rows committed in a session are visible to other connections at once. False when the
    // database cannot be opened; the operations then go on with one connection each.
    bool beginSession();
    void endSession();

protected:
    // The hooks. BaseDao's own give empty statements, which fail, and a bare BaseEntity.
    virtual SqlStatement getFindAllQuery() const;
    virtual SqlStatement getInsertQuery(const BaseEntity& record) const;
    virtual SqlStatement getDeleteQuery(qint64 recordId) const;
    virtual std::unique_ptr<BaseEntity> getEntity(const FMResultSet& row) const;

private:
    // An open handle, or none when the file is missing or cannot be opened. Clears lastFailure, or
    // sets it when there is no handle.
    std::shared_ptr<FMDatabase> openDatabase() const;
    void noteFailure(const FMDatabase& database) const;

    QString m_databaseFilePath;
    std::chrono::milliseconds m_busyTimeout;
    std::shared_ptr<FMDatabase> m_session; // open between beginSession() and endSession()
    mutable std::optional<QString> m_lastFailure;
};
