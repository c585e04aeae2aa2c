#include "history/FMDatabase.h"

#include "history/FMResultSet.h"

#include <QByteArray>
#include <QMetaType>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <thread>

namespace {

bool isBusy(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

int openFlags(FMDatabase::OpenMode mode)
{
    switch (mode) {
    case FMDatabase::OpenMode::ReadWriteCreate:
        return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    case FMDatabase::OpenMode::ReadWrite:
        return SQLITE_OPEN_READWRITE;
    case FMDatabase::OpenMode::ReadOnly:
        return SQLITE_OPEN_READONLY;
    }
    return SQLITE_OPEN_READONLY;
}

bool bindText(sqlite3_stmt* statement, int index, const QByteArray& utf8)
{
    // A null pointer would bind NULL rather than the empty text.
    const char* data = utf8.isNull() ? "" : utf8.constData();
    return sqlite3_bind_text64(statement, index, data, static_cast<sqlite3_uint64>(utf8.size()),
                               SQLITE_TRANSIENT, SQLITE_UTF8) == SQLITE_OK;
}

bool bindBlob(sqlite3_stmt* statement, int index, const QByteArray& bytes)
{
    // A zero-length blob needs a non-null pointer, or it binds NULL.
    const char* data = bytes.isNull() ? "" : bytes.constData();
    return sqlite3_bind_blob64(statement, index, data, static_cast<sqlite3_uint64>(bytes.size()),
                               SQLITE_TRANSIENT) == SQLITE_OK;
}

bool bindValue(sqlite3_stmt* statement, int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return sqlite3_bind_null(statement, index) == SQLITE_OK;
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return bindText(statement, index, value.toString().toUtf8());
    case QMetaType::QByteArray:
        return bindBlob(statement, index, value.toByteArray());
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return sqlite3_bind_int64(statement, index, value.toLongLong()) == SQLITE_OK;
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong unsignedValue = value.toULongLong();
        if (unsignedValue > static_cast<qulonglong>(std::numeric_limits<qint64>::max()))
            return false; // SQLite integers are signed 64-bit; a wrapped value would be a different one
        return sqlite3_bind_int64(statement, index, static_cast<sqlite3_int64>(unsignedValue)) == SQLITE_OK;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(statement, index, value.toDouble()) == SQLITE_OK;
    default:
        return false;
    }
}

} // namespace

std::unique_ptr<FMDatabase> FMDatabase::databaseWithPath(const QString& path)
{
    return std::make_unique<FMDatabase>(path);
}

FMDatabase::FMDatabase(QString path) : m_path(std::move(path)) {}

FMDatabase::~FMDatabase()
{
    close();
}

bool FMDatabase::open(OpenMode mode)
{
    if (m_connection)
        return true;
    const QByteArray fileName = m_path.isEmpty() ? QByteArrayLiteral(":memory:") : m_path.toUtf8();
    sqlite3* connection = nullptr;
    const int code = sqlite3_open_v2(fileName.constData(), &connection, openFlags(mode), nullptr);
    // SQLite hands out a connection even when opening fails; it must be closed all the same.
    ConnectionHandle handle(connection);
    if (code != SQLITE_OK) {
        recordError(code, connection ? QString::fromUtf8(sqlite3_errmsg(connection))
                                     : QString::fromUtf8(sqlite3_errstr(code)));
        return false;
    }
    sqlite3_busy_handler(connection, &FMDatabase::busyHandler, this);
    m_connection = std::move(handle);
    m_lastErrorCode = SQLITE_OK;
    m_lastErrorMessage.clear();
    return true;
}

bool FMDatabase::close()
{
    while (!m_openResultSets.empty())
        (*m_openResultSets.begin())->close(); // each one leaves the set
    m_cachedStatements.clear();
    // Every statement of this handle is owned by a result set or by the operation that made it, so
    // none is left on the connection and it closes at once.
    m_connection.reset();
    return true;
}

void FMDatabase::setBusyTimeout(std::chrono::milliseconds timeout)
{
    m_busyTimeout = std::max(timeout, std::chrono::milliseconds(0));
}

std::unique_ptr<FMResultSet> FMDatabase::executeQuery(const QString& sql, const QVariantList& parameters)
{
    if (!m_connection) {
        recordError(SQLITE_MISUSE, QStringLiteral("the database is not open"));
        return nullptr;
    }
    beginOperation();
    const QByteArray utf8 = sql.toUtf8();
    if (utf8.size() >= std::numeric_limits<int>::max()) {
        recordError(SQLITE_TOOBIG);
        return nullptr;
    }
    StatementHandle statement;
    if (!obtainStatement(utf8, statement))
        return nullptr;
    if (!bindParameters(statement.get(), parameters))
        return nullptr;
    auto resultSet = std::unique_ptr<FMResultSet>(new FMResultSet(*this, std::move(statement), utf8));
    m_openResultSets.insert(resultSet.get());
    return resultSet;
}

bool FMDatabase::executeUpdate(const QString& sql, const QVariantList& parameters)
{
    if (!m_connection) {
        recordError(SQLITE_MISUSE, QStringLiteral("the database is not open"));
        return false;
    }
    beginOperation();
    const QByteArray utf8 = sql.toUtf8();
    if (utf8.size() >= std::numeric_limits<int>::max()) {
        recordError(SQLITE_TOOBIG);
        return false;
    }
    StatementHandle statement;
    if (!obtainStatement(utf8, statement))
        return false;
    if (!bindParameters(statement.get(), parameters))
        return false;
    const int code = step(statement.get(), true);
    giveBackStatement(utf8, std::move(statement));
    if (code == SQLITE_DONE || code == SQLITE_OK)
        return true;
    recordError(code == SQLITE_ROW ? SQLITE_MISUSE : code);
    return false;
}

bool FMDatabase::executeStatements(const QString& sql)
{
    if (!m_connection) {
        recordError(SQLITE_MISUSE, QStringLiteral("the database is not open"));
        return false;
    }
    const QByteArray utf8 = sql.toUtf8();
    if (utf8.size() >= std::numeric_limits<int>::max()) {
        recordError(SQLITE_TOOBIG);
        return false;
    }
    const char* cursor = utf8.constData();
    const char* const end = cursor + utf8.size();
    while (cursor < end) {
        beginOperation();
        StatementHandle statement;
        const char* tail = nullptr;
        if (!prepare(cursor, static_cast<int>(end - cursor), statement, &tail))
            return false;
        if (!statement)
            break; // only blanks or comments were left
        int code = step(statement.get(), true);
        while (code == SQLITE_ROW)
            code = step(statement.get(), false);
        if (code != SQLITE_DONE) {
            recordError(code);
            return false;
        }
        cursor = tail;
    }
    return true;
}

bool FMDatabase::columnExists(const QString& columnName, const QString& tableName)
{
    // The table-valued form of "PRAGMA table_info" takes the table name as a bound value.
    const auto resultSet =
        executeQuery(QStringLiteral("select name from pragma_table_info(?);"), {tableName.toLower()});
    if (!resultSet)
        return false;
    const QString wanted = columnName.toLower();
    bool found = false;
    while (!found && resultSet->next())
        found = resultSet->stringForColumn(QStringLiteral("name")).value_or(QString()).toLower() == wanted;
    resultSet->close();
    return found;
}

void FMDatabase::beginOperation()
{
    m_deadline = Clock::now() + m_busyTimeout;
}

bool FMDatabase::prepare(const char* sql, int length, StatementHandle& statement, const char** tail)
{
    for (;;) {
        sqlite3_stmt* prepared = nullptr;
        const int code = sqlite3_prepare_v2(m_connection.get(), sql, length, &prepared, tail);
        statement.reset(prepared);
        if (code == SQLITE_OK) {
            if (statement || tail)
                return true;
            // Only blanks or comments: there is nothing to run.
            recordError(SQLITE_MISUSE, QStringLiteral("no statement in the text"));
            return false;
        }
        if (!isBusy(code) || Clock::now() >= m_deadline) {
            recordError(code);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void FMDatabase::setShouldCacheStatements(bool cache)
{
    m_shouldCacheStatements = cache;
    if (!cache)
        m_cachedStatements.clear();
}

bool FMDatabase::obtainStatement(const QByteArray& utf8, StatementHandle& statement)
{
    if (const auto cached = m_cachedStatements.find(utf8); cached != m_cachedStatements.end()) {
        statement = std::move(cached->second);
        m_cachedStatements.erase(cached);
        return true;
    }
    return prepare(utf8.constData(), static_cast<int>(utf8.size()) + 1, statement, nullptr);
}

void FMDatabase::giveBackStatement(const QByteArray& utf8, StatementHandle statement) noexcept
{
    if (!statement || !m_shouldCacheStatements || !m_connection)
        return; // finalized on the way out
    // The reset repeats the last step's error, which the caller has already seen.
    sqlite3_reset(statement.get());
    sqlite3_clear_bindings(statement.get());
    // Should the same text have been compiled again meanwhile, the one already cached stays.
    try {
        m_cachedStatements.try_emplace(utf8, std::move(statement));
    } catch (...) {
        // Out of memory: the statement is finalized instead, and compiled again next time.
    }
}

int FMDatabase::step(sqlite3_stmt* statement, bool mayRestart)
{
    for (;;) {
        const int code = sqlite3_step(statement);
        // The busy handler has usually waited out the deadline already. SQLite skips it when waiting
        // could deadlock and for "locked" (a conflict inside this process); those are retried here.
        if (!isBusy(code) || !mayRestart || Clock::now() >= m_deadline)
            return code;
        sqlite3_reset(statement);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool FMDatabase::bindParameters(sqlite3_stmt* statement, const QVariantList& parameters)
{
    if (sqlite3_bind_parameter_count(statement) != parameters.size()) {
        recordError(SQLITE_RANGE, QStringLiteral("the statement takes %1 values, %2 were given")
                                      .arg(sqlite3_bind_parameter_count(statement))
                                      .arg(parameters.size()));
        return false;
    }
    for (int index = 0; index < parameters.size(); ++index) {
        if (!bindValue(statement, index + 1, parameters.at(index))) {
            recordError(SQLITE_MISMATCH, QStringLiteral("value %1 cannot be bound").arg(index + 1));
            return false;
        }
    }
    return true;
}

void FMDatabase::recordError(int code)
{
    recordError(code, m_connection ? QString::fromUtf8(sqlite3_errmsg(m_connection.get()))
                                   : QString::fromUtf8(sqlite3_errstr(code)));
}

void FMDatabase::recordError(int code, const QString& message)
{
    m_lastErrorCode = code;
    m_lastErrorMessage = message;
}

void FMDatabase::forgetResultSet(FMResultSet* resultSet) noexcept
{
    m_openResultSets.erase(resultSet);
}

int FMDatabase::busyHandler(void* database, int attempt) noexcept
{
    // Short sleeps first, so a lock that is about to go costs little; never past the deadline.
    static constexpr int delaysMs[] = {1, 2, 5, 10, 15, 20, 25};
    const auto* self = static_cast<const FMDatabase*>(database);
    const Clock::time_point now = Clock::now();
    if (now >= self->m_deadline)
        return 0;
    const int last = static_cast<int>(std::size(delaysMs)) - 1;
    const std::chrono::milliseconds delay(delaysMs[std::clamp(attempt, 0, last)]);
    std::this_thread::sleep_for(std::min<Clock::duration>(delay, self->m_deadline - now));
    return 1;
}
