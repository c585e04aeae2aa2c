#include "history/BaseDao.h"

#include "history/FMResultSet.h"

BaseDao::BaseDao(QString databaseFilePath, std::chrono::milliseconds busyTimeout)
    : m_databaseFilePath(std::move(databaseFilePath)), m_busyTimeout(busyTimeout)
{
}

BaseDao::~BaseDao()
{
    // Copies share the session; the last one to go ends it.
    if (m_session && m_session.use_count() == 1)
        endSession();
}

std::vector<std::unique_ptr<BaseEntity>> BaseDao::findAll() const
{
    return executeFind(getFindAllQuery());
}

bool BaseDao::insert(const BaseEntity& record) const
{
    return executeUpdate(getInsertQuery(record));
}

bool BaseDao::deleteById(qint64 recordId) const
{
    return executeUpdate(getDeleteQuery(recordId));
}

bool BaseDao::deleteByEntity(const BaseEntity& record) const
{
    return deleteById(record.recordId);
}

std::vector<std::unique_ptr<BaseEntity>> BaseDao::executeFind(const SqlStatement& statement) const
{
    std::vector<std::unique_ptr<BaseEntity>> records;
    // A half-read table would let the import take a known shot for a new one only by chance; an
    // empty list and lastFailure say plainly that nothing could be checked.
    if (!executeForEachRow(statement, [&](const FMResultSet& row) { records.push_back(getEntity(row)); }))
        records.clear();
    return records;
}

bool BaseDao::executeForEachRow(const SqlStatement& statement,
                                const std::function<void(const FMResultSet&)>& eachRow) const
{
    const auto database = openDatabase();
    if (!database)
        return false;
    const auto rows = database->executeQuery(statement.sql, statement.parameters);
    if (!rows) {
        noteFailure(*database);
        return false;
    }
    while (rows->next())
        eachRow(*rows);
    if (rows->endedWithError()) {
        noteFailure(*database);
        return false;
    }
    return true;
}

std::optional<QVariant> BaseDao::executeFindSingleColumn(const SqlStatement& statement) const
{
    const auto database = openDatabase();
    if (!database)
        return std::nullopt;
    const auto rows = database->executeQuery(statement.sql, statement.parameters);
    if (!rows || !rows->next()) {
        if (!rows || rows->endedWithError())
            noteFailure(*database);
        return std::nullopt;
    }
    return rows->objectForColumnIndex(0);
}

bool BaseDao::executeUpdate(const SqlStatement& statement) const
{
    const auto database = openDatabase();
    if (!database)
        return false;
    if (database->executeUpdate(statement.sql, statement.parameters))
        return true;
    noteFailure(*database);
    return false;
}

bool BaseDao::existColumn(const QString& columnName, const QString& tableName) const
{
    const auto database = openDatabase();
    return database && database->columnExists(columnName, tableName);
}

bool BaseDao::alterTable(const QString& statement) const
{
    return executeUpdate(SqlStatement(statement));
}

std::unique_ptr<FMDatabase> BaseDao::getDatabase() const
{
    auto database = FMDatabase::databaseWithPath(m_databaseFilePath);
    database->setBusyTimeout(m_busyTimeout);
    return database;
}

bool BaseDao::beginSession()
{
    if (m_session)
        return true;
    std::shared_ptr<FMDatabase> database = openDatabase();
    if (!database)
        return false;
    // A database another connection holds keeps its rollback journal; the session still saves the
    // opening and closing of a connection per statement.
    database->executeStatements(QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"));
    // The batch runs the same few statements for every picture.
    database->setShouldCacheStatements(true);
    m_session = std::move(database);
    return true;
}

void BaseDao::endSession()
{
    if (!m_session)
        return;
    m_session->executeStatements(
        QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE;"));
    m_session.reset();
}

std::shared_ptr<FMDatabase> BaseDao::openDatabase() const
{
    m_lastFailure.reset();
    if (m_session)
        return m_session;
    // Without "create": a lookup on a missing file must not leave an empty database behind, which
    // start-up would then take for the real one and never give its table.
    auto database = getDatabase();
    if (m_databaseFilePath.isEmpty() || !database->open(FMDatabase::OpenMode::ReadWrite)) {
        m_lastFailure =
            m_databaseFilePath.isEmpty()
                ? QStringLiteral("no database file is set")
                : QStringLiteral("cannot open the database: %1").arg(database->lastErrorMessage());
        return nullptr;
    }
    return database;
}

void BaseDao::noteFailure(const FMDatabase& database) const
{
    const QString message = database.lastErrorMessage();
    m_lastFailure = message.isEmpty() ? QStringLiteral("the statement failed") : message;
}

SqlStatement BaseDao::getFindAllQuery() const
{
    return {};
}

SqlStatement BaseDao::getInsertQuery(const BaseEntity&) const
{
    return {};
}

SqlStatement BaseDao::getDeleteQuery(qint64) const
{
    return {};
}

std::unique_ptr<BaseEntity> BaseDao::getEntity(const FMResultSet&) const
{
    return std::make_unique<BaseEntity>();
}
