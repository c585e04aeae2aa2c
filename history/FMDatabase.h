#pragma once

#include "history/SqliteHandles.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>

#include <chrono>
#include <map>
#include <memory>
#include <set>

class FMResultSet;

// A handle on one SQLite database file: open it, run statements on it, close it. The import history
// mostly makes one handle per statement; a transfer batch keeps one open (see BaseDao::beginSession)
// and lets it cache its compiled statements. The handle runs no transactions of its own.
//
// Values never go into the SQL text: a statement holds "?" markers and the values come in the
// parameter list, bound in order (QString as text, integers and bool as integers, double as real,
// QByteArray as a blob, a null QVariant as NULL). A list whose length differs from the statement's
// marker count is refused.
//
// Busy or locked database: SQLite retries while another connection holds the lock, but only for the
// busy time-out of the handle, counted from the start of each operation (prepare and step together,
// or one step of a result set). Then the operation fails like any other: no result set, false. A
// lock held forever by another process therefore costs a few seconds, never a hung program.
//
// Failures are not thrown and not logged; lastErrorCode and lastErrorMessage tell the last one.
// Result sets made by executeQuery point back at the handle: closing or destroying the handle ends
// them, after which they give no rows and no values. Not for use by two threads at once.
class FMDatabase
{
public:
    enum class OpenMode {
        ReadWriteCreate, // creates a missing file (as an empty database)
        ReadWrite,       // a missing file fails to open
        ReadOnly,
    };

    static constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

    // A closed handle for the file at path; the empty path means a private in-memory database.
    static std::unique_ptr<FMDatabase> databaseWithPath(const QString& path);
    explicit FMDatabase(QString path);
    ~FMDatabase();
    FMDatabase(const FMDatabase&) = delete;
    FMDatabase& operator=(const FMDatabase&) = delete;

    const QString& databasePath() const { return m_path; }

    // True when the handle is open afterwards (also when it already was).
    bool open(OpenMode mode = OpenMode::ReadWriteCreate);
    // Ends every open result set, then closes the connection. Always true.
    bool close();
    bool isOpen() const { return m_connection != nullptr; }

    // Keeps each statement of executeQuery and executeUpdate compiled once it is done with, and runs
    // it again for the same SQL text instead of compiling it anew. Off by default; turning it off
    // drops the cache.
    void setShouldCacheStatements(bool cache);
    bool shouldCacheStatements() const { return m_shouldCacheStatements; }

    void setBusyTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds busyTimeout() const { return m_busyTimeout; }

    // A cursor before the first row of the first statement in sql, or none when the handle is closed,
    // the statement does not compile, the parameters do not fit, or the database stays busy.
    std::unique_ptr<FMResultSet> executeQuery(const QString& sql, const QVariantList& parameters = {});
    // Runs the first statement in sql once; true when it completed without returning a row.
    bool executeUpdate(const QString& sql, const QVariantList& parameters = {});
    // Runs every statement in sql, in order, without parameters (a schema script); stops at the first
    // failure and gives false.
    bool executeStatements(const QString& sql);

    // True when the table has a column of that name; names compare without regard to letter case.
    bool columnExists(const QString& columnName, const QString& tableName);

    int lastErrorCode() const { return m_lastErrorCode; }
    QString lastErrorMessage() const { return m_lastErrorMessage; }

private:
    friend class FMResultSet;
    using Clock = std::chrono::steady_clock;

    void beginOperation();
    bool prepare(const char* sql, int length, StatementHandle& statement, const char** tail);
    // The compiled statement of utf8: the cached one, which is taken out of the cache while in use,
    // or one compiled now.
    bool obtainStatement(const QByteArray& utf8, StatementHandle& statement);
    // A statement that is done with goes back to the cache, reset and without its values, or is
    // finalized when statements are not cached.
    void giveBackStatement(const QByteArray& utf8, StatementHandle statement) noexcept;
    // The step's result code after retrying busy or locked ones until the operation's deadline.
    // A statement that has already given rows is not restarted, since that would repeat them.
    int step(sqlite3_stmt* statement, bool mayRestart);
    bool bindParameters(sqlite3_stmt* statement, const QVariantList& parameters);
    void recordError(int code);
    void recordError(int code, const QString& message);
    void forgetResultSet(FMResultSet* resultSet) noexcept;
    static int busyHandler(void* database, int attempt) noexcept;

    QString m_path;
    ConnectionHandle m_connection;
    std::set<FMResultSet*> m_openResultSets;
    bool m_shouldCacheStatements = false;
    std::map<QByteArray, StatementHandle> m_cachedStatements; // by SQL text
    std::chrono::milliseconds m_busyTimeout = kDefaultBusyTimeout;
    Clock::time_point m_deadline;
    int m_lastErrorCode = 0;
    QString m_lastErrorMessage;
};
