#pragma once

#include "history/SqliteHandles.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

class FMDatabase;

// A forward-only cursor over the rows of one statement, made by FMDatabase::executeQuery. It starts
// before the first row; next moves to the following one. Running out of rows, an error, or closing
// its database ends the cursor and hands the statement back to its database (which finalizes it or
// keeps it for the next run).
//
// Values are read from the current row, by column name (without regard to letter case; the first
// column of a name wins) or by index. A name the statement does not return, or no current row,
// gives 0, none or the null marker, never an error.
class FMResultSet
{
public:
    ~FMResultSet();
    FMResultSet(const FMResultSet&) = delete;
    FMResultSet& operator=(const FMResultSet&) = delete;

    // True when a row is available.
    bool next();
    void close() noexcept;
    bool isClosed() const { return m_statement == nullptr; }
    // True when the cursor ended on an error (corrupt file, database stayed busy, ...) rather than
    // after its last row.
    bool endedWithError() const { return m_failed; }

    int columnCount() const;
    // -1 for a name the statement does not return.
    int columnIndexForName(const QString& columnName) const;

    // SQLite's conversion to a 32-bit integer: a wider value keeps its low 32 bits.
    int intForColumn(const QString& columnName) const;
    qint64 longLongIntForColumn(const QString& columnName) const;
    // None for SQL NULL.
    std::optional<QString> stringForColumn(const QString& columnName) const;
    // By storage class: integer as qint64, real as double, blob as QByteArray, text as QString;
    // NULL, or no such column, as QVariant::fromValue(nullptr).
    QVariant objectForColumnIndex(int columnIndex) const;

private:
    friend class FMDatabase;
    FMResultSet(FMDatabase& database, StatementHandle statement, QByteArray sql);
    bool hasValue(int columnIndex) const;

    FMDatabase* m_database;
    StatementHandle m_statement;
    QByteArray m_sql; // the statement's text, under which the database may keep it for the next run
    bool m_hasRow = false;
    bool m_failed = false;
    bool m_gaveRows = false;
    mutable std::optional<QHash<QString, int>> m_columnIndexes;
};
