// The access layer on its own: cursors, column access, failures that must leave the handle usable.
#include "history/FMDatabase.h"
#include "history/FMResultSet.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class MemoryDatabase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_database.open());
        ASSERT_TRUE(m_database.executeStatements(
            QStringLiteral("create table t (id integer primary key, name text, size real, data blob);"
                           "insert into t (name, size, data) values ('one', 1.5, x'00ff');"
                           "insert into t (name, size, data) values (NULL, NULL, NULL);")));
    }

    FMDatabase m_database{QString()};
};

TEST_F(MemoryDatabase, ColumnsAreFoundByNameWithoutRegardToCase)
{
    const auto rows = m_database.executeQuery(QStringLiteral("select id, name as Name from t order by id;"));
    ASSERT_TRUE(rows && rows->next());
    EXPECT_EQ(rows->longLongIntForColumn(QStringLiteral("ID")), 1);
    EXPECT_EQ(rows->stringForColumn(QStringLiteral("nAmE")), QStringLiteral("one"));
}

TEST_F(MemoryDatabase, AColumnTheQueryDoesNotSelectGivesZeroAndNone)
{
    const auto rows = m_database.executeQuery(QStringLiteral("select name from t order by id;"));
    ASSERT_TRUE(rows && rows->next());
    EXPECT_EQ(rows->intForColumn(QStringLiteral("id")), 0);
    EXPECT_EQ(rows->longLongIntForColumn(QStringLiteral("id")), 0);
    EXPECT_EQ(rows->stringForColumn(QStringLiteral("size")), std::nullopt);
    ASSERT_TRUE(rows->next());
    EXPECT_EQ(rows->stringForColumn(QStringLiteral("name")), std::nullopt) << "SQL NULL is no text";
}

TEST_F(MemoryDatabase, ValuesByIndexKeepTheirStorageClass)
{
    const auto rows =
        m_database.executeQuery(QStringLiteral("select id, name, size, data from t order by id;"));
    ASSERT_TRUE(rows && rows->next());
    EXPECT_EQ(rows->objectForColumnIndex(0), QVariant::fromValue<qint64>(1));
    EXPECT_EQ(rows->objectForColumnIndex(1), QVariant(QStringLiteral("one")));
    EXPECT_EQ(rows->objectForColumnIndex(2), QVariant(1.5));
    EXPECT_EQ(rows->objectForColumnIndex(3), QVariant(QByteArray("\x00\xff", 2)));
    EXPECT_TRUE(rows->objectForColumnIndex(4).isNull()) << "no such column";
    ASSERT_TRUE(rows->next());
    EXPECT_TRUE(rows->objectForColumnIndex(1).isNull());
    EXPECT_FALSE(rows->next());
    EXPECT_TRUE(rows->isClosed());
    EXPECT_FALSE(rows->endedWithError());
    EXPECT_TRUE(rows->objectForColumnIndex(0).isNull()) << "no current row";
}

TEST_F(MemoryDatabase, ASyntaxErrorFailsAndLeavesTheHandleUsable)
{
    EXPECT_EQ(m_database.executeQuery(QStringLiteral("selec name from t;")), nullptr);
    EXPECT_FALSE(m_database.executeUpdate(QStringLiteral("insert into t values (;")));
    EXPECT_NE(m_database.lastErrorMessage(), QString());
    EXPECT_TRUE(m_database.executeUpdate(QStringLiteral("insert into t (name) values (?);"),
                                         {QStringLiteral("two")}));
    const auto rows = m_database.executeQuery(QStringLiteral("select count(*) from t;"));
    ASSERT_TRUE(rows && rows->next());
    EXPECT_EQ(rows->objectForColumnIndex(0).toLongLong(), 3);
}

TEST_F(MemoryDatabase, ValuesAreBoundNeverPastedAndMustMatchTheMarkers)
{
    const QString hostile = QStringLiteral("x'); drop table t; --");
    ASSERT_TRUE(m_database.executeUpdate(QStringLiteral("insert into t (name) values (?);"), {hostile}));
    EXPECT_TRUE(m_database.columnExists(QStringLiteral("NAME"), QStringLiteral("T")));
    const auto rows = m_database.executeQuery(QStringLiteral("select id from t where name = ?;"), {hostile});
    ASSERT_TRUE(rows && rows->next());

    EXPECT_FALSE(m_database.executeUpdate(QStringLiteral("insert into t (name) values (?);"), {}));
    EXPECT_FALSE(m_database.executeUpdate(QStringLiteral("insert into t (name) values (?);"), {1, 2}));
    EXPECT_FALSE(m_database.columnExists(QStringLiteral("missing"), QStringLiteral("t")));
}

TEST_F(MemoryDatabase, CachedStatementsRunAgainWithTheirNewValuesAlsoSideBySide)
{
    m_database.setShouldCacheStatements(true);
    const QString insert = QStringLiteral("insert into t (id, name) values (?, ?);");
    ASSERT_TRUE(m_database.executeUpdate(insert, {10, QStringLiteral("ten")}));
    EXPECT_FALSE(m_database.executeUpdate(insert, {10, QStringLiteral("again")})) << "the id is taken";
    ASSERT_TRUE(m_database.executeUpdate(insert, {11, QVariant()}))
        << "a failed run leaves the statement usable";
    EXPECT_FALSE(m_database.executeUpdate(insert, {12})) << "the markers still count";

    const QString byId = QStringLiteral("select name from t where id = ?;");
    const auto ten = m_database.executeQuery(byId, {10});
    ASSERT_TRUE(ten && ten->next());
    const auto eleven = m_database.executeQuery(byId, {11}); // while the first is still open
    ASSERT_TRUE(eleven && eleven->next());
    EXPECT_EQ(ten->stringForColumn(QStringLiteral("name")), QStringLiteral("ten"));
    EXPECT_EQ(eleven->stringForColumn(QStringLiteral("name")), std::nullopt)
        << "no value left over from a run before";
    ten->close();
    eleven->close();
    const auto none = m_database.executeQuery(byId, {12});
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->next());

    // A cursor given up after its first row does not keep the database read.
    const auto all = m_database.executeQuery(QStringLiteral("select id from t order by id;"));
    ASSERT_TRUE(all && all->next());
    all->close();
    ASSERT_TRUE(m_database.executeStatements(QStringLiteral("drop table t;")));
    const auto dropped = m_database.executeQuery(byId, {10});
    ASSERT_TRUE(dropped) << "the cached statement is only compiled again when it runs";
    EXPECT_FALSE(dropped->next());
    EXPECT_TRUE(dropped->endedWithError()) << "and then finds the table gone";
    m_database.close();
    EXPECT_EQ(m_database.executeQuery(byId, {10}), nullptr);
}

TEST_F(MemoryDatabase, ClosingTheHandleEndsItsOpenCursors)
{
    const auto rows = m_database.executeQuery(QStringLiteral("select name from t;"));
    ASSERT_TRUE(rows && rows->next());
    m_database.close();
    EXPECT_TRUE(rows->isClosed());
    EXPECT_FALSE(rows->next());
    EXPECT_EQ(rows->stringForColumn(QStringLiteral("name")), std::nullopt);
    EXPECT_EQ(m_database.executeQuery(QStringLiteral("select 1;")), nullptr)
        << "a closed handle fails at once";
}

TEST(FMDatabaseFile, OpenCreatesAMissingFileUnlessToldNotTo)
{
    QTemporaryDir dir;
    const QString created = dir.filePath(QStringLiteral("new.db"));
    FMDatabase database(created);
    EXPECT_TRUE(database.open());
    EXPECT_TRUE(QFileInfo::exists(created));
    EXPECT_TRUE(database.open()) << "already open";

    const QString absent = dir.filePath(QStringLiteral("absent.db"));
    FMDatabase reader(absent);
    EXPECT_FALSE(reader.open(FMDatabase::OpenMode::ReadWrite));
    EXPECT_FALSE(reader.open(FMDatabase::OpenMode::ReadOnly));
    EXPECT_FALSE(QFileInfo::exists(absent));
}

} // namespace
