// The history database against the sqlite3 command-line tool: each reads what the other wrote.
#include "HistoryTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using historytest::HistoryFixture;
using historytest::importedFile;
using historytest::runSqliteTool;

namespace {

class SqliteToolInterop : public HistoryFixture
{
protected:
    void SetUp() override
    {
        if (!historytest::hasSqliteTool())
            GTEST_SKIP() << "the sqlite3 command-line tool is not on PATH";
        HistoryFixture::SetUp();
    }
};

TEST_F(SqliteToolInterop, TheToolReadsWhatTheLayerWrote)
{
    const ImportedFileDao history(m_path);
    const QStringList names = {QStringLiteral("IMG_0001.JPG"), QStringLiteral("O'Brien \"1\".JPG"),
                               QStringLiteral("山田 ÄÖü 50%.JPG")};
    for (const QString& name : names)
        ASSERT_TRUE(history.insert(
            importedFile(QStringLiteral("P1/") + name, QStringLiteral("SN-1"), 20240102030405)));

    const auto output = runSqliteTool(
        {QStringLiteral("-json"), m_path, QStringLiteral("select * from imported_file order by id;")});
    ASSERT_TRUE(output);
    const QJsonArray rows = QJsonDocument::fromJson(*output).array();
    ASSERT_EQ(rows.size(), names.size()) << output->toStdString();
    for (qsizetype index = 0; index < names.size(); ++index) {
        const QJsonObject row = rows.at(index).toObject();
        EXPECT_EQ(row.value(QStringLiteral("id")).toInteger(), index + 1);
        EXPECT_EQ(row.value(QStringLiteral("file_name")).toString(), QStringLiteral("P1/") + names.at(index));
        EXPECT_EQ(row.value(QStringLiteral("camera_id")).toString(), QStringLiteral("SN-1"));
        EXPECT_EQ(row.value(QStringLiteral("datetime")).toInteger(), 20240102030405);
        EXPECT_EQ(row.value(QStringLiteral("original_file_name")).toString(),
                  QStringLiteral("/media/card/DCIM/") + names.at(index));
        EXPECT_EQ(row.value(QStringLiteral("transferred_folder")).toString(),
                  QStringLiteral("/srv/pictures/P1"));
    }
    const auto check = runSqliteTool({m_path, QStringLiteral("pragma integrity_check;")});
    ASSERT_TRUE(check);
    EXPECT_EQ(check->trimmed(), QByteArray("ok"));
}

TEST_F(SqliteToolInterop, TheLayerReadsWhatTheToolWrote)
{
    const QString path = m_dir.filePath(QStringLiteral("tool.db"));
    ASSERT_TRUE(runSqliteTool(
        {path,
         QStringLiteral("create table imported_file (id integer primary key, file_name text, camera_id text, "
                        "datetime integer, original_file_name text not null default '', "
                        "transferred_folder text not null default '');"
                        "insert into imported_file (id, file_name, camera_id, datetime) "
                        "values (5000000000, 'P/it''s.JPG', 'SN-9', 20231231235959);"
                        "insert into imported_file (file_name, camera_id, datetime, original_file_name) "
                        "values ('P/名前.JPG', NULL, 20240101000000, '/card/名前.JPG');")}));

    const ImportedFileDao history(path);
    const auto all = history.findAll();
    ASSERT_EQ(all.size(), 2u);
    const auto& quoted = dynamic_cast<const ImportedFileEntity&>(*all.front());
    EXPECT_EQ(quoted.recordId, 5000000000) << "ids past 32 bits";
    EXPECT_EQ(quoted.fileName, QStringLiteral("P/it's.JPG"));
    EXPECT_EQ(quoted.datetime, 20231231235959);
    EXPECT_EQ(quoted.originalFileName, QString());
    EXPECT_EQ(history.findByLikeFileNameCameraId(QStringLiteral("IT'S.jpg"), QStringLiteral("SN-9")).size(),
              1u);

    const auto& named = dynamic_cast<const ImportedFileEntity&>(*all.back());
    EXPECT_EQ(named.recordId, 5000000001);
    EXPECT_EQ(named.fileName, QStringLiteral("P/名前.JPG"));
    EXPECT_EQ(named.cameraId, std::nullopt) << "NULL reads as absent";
    EXPECT_EQ(named.originalFileName, QStringLiteral("/card/名前.JPG"));
}

} // namespace
