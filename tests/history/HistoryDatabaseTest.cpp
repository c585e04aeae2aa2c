// A fresh installation's database, and the store leaving missing files alone.
#include "HistoryTestSupport.h"

#include "history/FMDatabase.h"
#include "history/FMResultSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using historytest::importedFile;

namespace {

struct Column
{
    QString name;
    QString type;
    bool notNull;
    QString defaultValue;
    bool primaryKey;
    bool operator==(const Column&) const = default;
};

std::vector<Column> columnsOf(const QString& path)
{
    std::vector<Column> columns;
    FMDatabase database(path);
    if (!database.open(FMDatabase::OpenMode::ReadOnly))
        return columns;
    const auto rows =
        database.executeQuery(QStringLiteral("select name, type, \"notnull\", dflt_value, pk "
                                             "from pragma_table_info('imported_file') order by cid;"));
    while (rows && rows->next())
        columns.push_back(
            {*rows->stringForColumn(QStringLiteral("name")), *rows->stringForColumn(QStringLiteral("type")),
             rows->intForColumn(QStringLiteral("notnull")) != 0,
             rows->stringForColumn(QStringLiteral("dflt_value")).value_or(QStringLiteral("<none>")),
             rows->intForColumn(QStringLiteral("pk")) != 0});
    return columns;
}

TEST(HistoryDatabase, AFreshDatabaseHoldsTheSixColumnTableAndNoStrayFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    ASSERT_TRUE(HistoryDatabase::createIfMissing(path));
    const std::vector<Column> expected = {
        {QStringLiteral("id"), QStringLiteral("INTEGER"), false, QStringLiteral("<none>"), true},
        {QStringLiteral("file_name"), QStringLiteral("TEXT"), false, QStringLiteral("<none>"), false},
        {QStringLiteral("camera_id"), QStringLiteral("TEXT"), false, QStringLiteral("<none>"), false},
        {QStringLiteral("datetime"), QStringLiteral("INTEGER"), false, QStringLiteral("<none>"), false},
        {QStringLiteral("original_file_name"), QStringLiteral("TEXT"), true, QStringLiteral("''"), false},
        {QStringLiteral("transferred_folder"), QStringLiteral("TEXT"), true, QStringLiteral("''"), false},
    };
    EXPECT_EQ(columnsOf(path), expected);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Trevasel.db")});
}

TEST(HistoryDatabase, AnExistingDatabaseIsLeftAsItIs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    ASSERT_TRUE(HistoryDatabase::createIfMissing(path));
    ASSERT_TRUE(
        ImportedFileDao(path).insert(importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1"))));
    EXPECT_TRUE(HistoryDatabase::createIfMissing(path));
    EXPECT_EQ(ImportedFileDao(path).findAll().size(), 1u);

    const QString other = dir.filePath(QStringLiteral("other.db"));
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("not a database") > 0);
    file.close();
    EXPECT_TRUE(HistoryDatabase::createIfMissing(other));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("not a database")) << "a damaged database is nobody's to replace";
}

TEST(HistoryDatabase, AnEmptyFileIsAnEmptyDatabaseAndGetsTheTable)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(HistoryDatabase::createIfMissing(path));
    EXPECT_EQ(columnsOf(path).size(), 6u);
    EXPECT_TRUE(
        ImportedFileDao(path).insert(importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1"))));
}

TEST(HistoryDatabase, AfterACheckpointAWriteAheadLogDatabaseFileAloneHoldsEveryRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    ASSERT_TRUE(HistoryDatabase::createIfMissing(path));
    // A connection that has read in log mode and stays open keeps each store connection's close from
    // merging the log by itself, as the last one to close would.
    FMDatabase other(path);
    ASSERT_TRUE(other.open() && other.executeStatements(QStringLiteral(
                                    "PRAGMA journal_mode=WAL; select count(*) from imported_file;")));
    const ImportedFileDao history(path);
    for (int row = 0; row < 20; ++row)
        ASSERT_TRUE(
            history.insert(importedFile(QStringLiteral("P/%1.JPG").arg(row), QStringLiteral("SN-1"))));
    ASSERT_TRUE(HistoryDatabase::checkpoint(path));
    const QString copy = dir.filePath(QStringLiteral("backup.db"));
    ASSERT_TRUE(QFile::copy(path, copy));
    EXPECT_EQ(ImportedFileDao(copy).findAll().size(), 20u);
    EXPECT_FALSE(HistoryDatabase::checkpoint(dir.filePath(QStringLiteral("missing.db"))));
}

TEST(HistoryDatabase, StoreOperationsOnAMissingFileFailWithoutMakingIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    const ImportedFileDao history(path);
    EXPECT_TRUE(history.findByLikeFileNameCameraId(QStringLiteral("a.JPG"), QStringLiteral("SN-1")).empty());
    EXPECT_FALSE(history.insert(importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1"))));
    EXPECT_FALSE(history.deleteBeforeDatetime(20990101000000));
    EXPECT_FALSE(QFileInfo::exists(path)) << "start-up would take an empty file for the real database";
}

// How SQLite means to run the statement, one line per step.
QStringList queryPlan(FMDatabase& database, const SqlStatement& statement)
{
    QStringList steps;
    const auto rows =
        database.executeQuery(QStringLiteral("explain query plan ") + statement.sql, statement.parameters);
    while (rows && rows->next())
        steps << rows->stringForColumn(QStringLiteral("detail")).value_or(QString());
    return steps;
}

TEST(HistoryDatabase, AnOlderDatabaseGainsTheLookupIndexAndTheHashTableAtStartUp)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    {
        FMDatabase database(path);
        ASSERT_TRUE(database.open());
        ASSERT_TRUE(
            database.executeStatements(HistoryDatabase::schemaSql() +
                                       QStringLiteral("insert into imported_file (file_name, camera_id, "
                                                      "datetime) values ('P/IMG_0001.JPG', 'SN-1', 1);"
                                                      "insert into imported_file (file_name, camera_id, "
                                                      "datetime) values ('P/img-0001.jpg', 'SN-1', 2);")));
    }
    const auto columns = columnsOf(path);
    ASSERT_TRUE(HistoryDatabase::createIfMissing(path));
    ASSERT_TRUE(HistoryDatabase::createIfMissing(path)) << "a second start finds everything there";
    EXPECT_EQ(columnsOf(path), columns) << "other programs read imported_file as it was";

    FMDatabase database(path);
    ASSERT_TRUE(database.open(FMDatabase::OpenMode::ReadOnly));
    for (const QString& name : {QStringLiteral("IMG_0001.JPG"), QStringLiteral("2015-01-01 000003.JPG")}) {
        for (const auto after : {std::optional<qint64>(), std::optional<qint64>(1)}) {
            const QStringList plan = queryPlan(
                database, ImportedFileDao::getLikeFileNameCameraIdQuery(name, QStringLiteral("SN-1"), after));
            // Every read of the table goes through the index by camera and name, none through all of
            // the camera's rows.
            const QStringList reads = plan.filter(QRegularExpression(QStringLiteral("^(SCAN|SEARCH)")));
            EXPECT_TRUE(
                !reads.isEmpty() &&
                reads.filter(QStringLiteral("imported_file_camera_name (camera_id=? AND <expr>")).size() ==
                    reads.size())
                << name.toStdString() << ": " << plan.join(QStringLiteral(" | ")).toStdString();
        }
    }
    const ImportedFileDao history(path);
    EXPECT_EQ(
        history.findByLikeFileNameCameraId(QStringLiteral("IMG_0001.JPG"), QStringLiteral("SN-1")).size(),
        2u);
    EXPECT_EQ(
        history.findByLikeFileNameCameraIdAfter(QStringLiteral("IMG_0001.JPG"), QStringLiteral("SN-1"), 1)
            .size(),
        1u);
    EXPECT_TRUE(history.insertPictureHash({std::nullopt, QStringLiteral("/srv/P/IMG_0001.JPG"), 3,
                                           QString(32, QLatin1Char('0')), 20240101120000}));
    EXPECT_EQ(history.findPictureHashesSince(0).size(), 1u);
}

} // namespace
