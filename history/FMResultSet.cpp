#include "history/FMResultSet.h"

#include "history/FMDatabase.h"

#include <sqlite3.h>

FMResultSet::FMResultSet(FMDatabase& database, StatementHandle statement, QByteArray sql)
    : m_database(&database), m_statement(std::move(statement)), m_sql(std::move(sql))
{
}

FMResultSet::~FMResultSet()
{
    close();
}

bool FMResultSet::next()
{
    m_hasRow = false;
    if (!m_statement || !m_database)
        return false;
    m_database->beginOperation();
    const int code = m_database->step(m_statement.get(), !m_gaveRows);
    if (code == SQLITE_ROW) {
        m_hasRow = true;
        m_gaveRows = true;
        return true;
    }
    if (code != SQLITE_DONE) {
        m_failed = true;
        m_database->recordError(code);
    }
    close();
    return false;
}

void FMResultSet::close() noexcept
{
    m_hasRow = false;
    if (m_database) {
        m_database->giveBackStatement(m_sql, std::move(m_statement));
        m_database->forgetResultSet(this);
        m_database = nullptr;
    }
    m_statement.reset();
}

int FMResultSet::columnCount() const
{
    return m_statement ? sqlite3_column_count(m_statement.get()) : 0;
}

int FMResultSet::columnIndexForName(const QString& columnName) const
{
    if (!m_statement)
        return -1;
    if (!m_columnIndexes) {
        QHash<QString, int> indexes;
        const int count = sqlite3_column_count(m_statement.get());
        for (int index = 0; index < count; ++index) {
            const QString name = QString::fromUtf8(sqlite3_column_name(m_statement.get(), index)).toLower();
            if (!indexes.contains(name))
                indexes.insert(name, index);
        }
        m_columnIndexes = std::move(indexes);
    }
    return m_columnIndexes->value(columnName.toLower(), -1);
}

bool FMResultSet::hasValue(int columnIndex) const
{
    // SQLite leaves column reads without a current row undefined.
    return m_hasRow && m_statement && columnIndex >= 0 &&
           columnIndex < sqlite3_column_count(m_statement.get());
}

int FMResultSet::intForColumn(const QString& columnName) const
{
    const int index = columnIndexForName(columnName);
    return hasValue(index) ? sqlite3_column_int(m_statement.get(), index) : 0;
}

qint64 FMResultSet::longLongIntForColumn(const QString& columnName) const
{
    const int index = columnIndexForName(columnName);
    return hasValue(index) ? sqlite3_column_int64(m_statement.get(), index) : 0;
}

std::optional<QString> FMResultSet::stringForColumn(const QString& columnName) const
{
    const int index = columnIndexForName(columnName);
    if (!hasValue(index) || sqlite3_column_type(m_statement.get(), index) == SQLITE_NULL)
        return std::nullopt;
    // The text first, then its length: asking for the length first may measure another encoding.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), index));
    const int length = sqlite3_column_bytes(m_statement.get(), index);
    if (!text)
        return std::nullopt; // out of memory while converting
    return QString::fromUtf8(text, length);
}

QVariant FMResultSet::objectForColumnIndex(int columnIndex) const
{
    if (!hasValue(columnIndex))
        return QVariant::fromValue(nullptr);
    sqlite3_stmt* statement = m_statement.get();
    switch (sqlite3_column_type(statement, columnIndex)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qint64>(sqlite3_column_int64(statement, columnIndex));
    case SQLITE_FLOAT:
        return QVariant::fromValue(sqlite3_column_double(statement, columnIndex));
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, columnIndex));
        const int length = sqlite3_column_bytes(statement, columnIndex);
        return QVariant::fromValue(bytes ? QByteArray(bytes, length) : QByteArray(""));
    }
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, columnIndex));
        const int length = sqlite3_column_bytes(statement, columnIndex);
        return QVariant::fromValue(text ? QString::fromUtf8(text, length) : QString());
    }
    default:
        return QVariant::fromValue(nullptr);
    }
}
