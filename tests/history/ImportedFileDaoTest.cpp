// The import-history statements on a real database file.
#include "HistoryTestSupport.h"

#include "history/FMDatabase.h"
#include "history/FMResultSet.h"

#include <QStringList>

using historytest::HistoryFixture;
using historytest::importedFile;

namespace {

QStringList fileNames(const std::vector<ImportedFileEntity>& rows)
{
    QStringList names;
    for (const auto& row : rows)
        names << row.fileName.value_or(QStringLiteral("<absent>"));
    return names;
}

class ImportedFileDaoTest : public HistoryFixture
{
protected:
    void SetUp() override
    {
        HistoryFixture::SetUp();
        m_history = ImportedFileDao(m_path); // the path is known only now
    }
    void store(std::initializer_list<ImportedFileEntity> files)
    {
        for (const auto& file : files)
            ASSERT_TRUE(m_history.insert(file)) << file.fileName->toStdString();
    }
    QStringList like(const QString& fileName, const QString& cameraId = QStringLiteral("SN-1")) const
    {
        return fileNames(m_history.findByLikeFileNameCameraId(fileName, cameraId));
    }

    ImportedFileDao m_history{QString()};
};

TEST_F(ImportedFileDaoTest, LikeLookupIgnoresAsciiCaseAndTreatsUnderscoreAndPercentAsWildcards)
{
    store({importedFile(QStringLiteral("P1/img-0001.jpg"), QStringLiteral("SN-1")),
           importedFile(QStringLiteral("P2/IMG_0001.JPG"), QStringLiteral("SN-1")),
           importedFile(QStringLiteral("P3/IMG_0001.JPG.bak"), QStringLiteral("SN-1")),
           importedFile(QStringLiteral("P4/ä.jpg"), QStringLiteral("SN-1"))});
    EXPECT_EQ(like(QStringLiteral("IMG_0001.JPG")), (QStringList{"P1/img-0001.jpg", "P2/IMG_0001.JPG"}));
    EXPECT_EQ(like(QStringLiteral("IMG%.JPG")), (QStringList{"P1/img-0001.jpg", "P2/IMG_0001.JPG"}));
    EXPECT_EQ(like(QStringLiteral("Ä.JPG")), QStringList()) << "case folds for ASCII letters only";
    EXPECT_EQ(like(QStringLiteral("IMG_0001.JPG"), QStringLiteral("SN-2")), QStringList()) << "other camera";
}

TEST_F(ImportedFileDaoTest, LikeLookupNeedsASlashBeforeTheName)
{
    store({importedFile(QStringLiteral("IMG_0001.JPG"), QStringLiteral("SN-1")),
           importedFile(QStringLiteral("P1/XIMG_0001.JPG"), QStringLiteral("SN-1"))});
    EXPECT_EQ(like(QStringLiteral("IMG_0001.JPG")), QStringList());
}

TEST_F(ImportedFileDaoTest, AwkwardNamesAreStoredAndFoundAgain)
{
    const QString longName = QString(20000, QLatin1Char('n')) + QStringLiteral(".JPG");
    const QStringList names = {QStringLiteral("O'Brien's 'shot'.JPG"),
                               QStringLiteral("100% done.JPG"),
                               QStringLiteral("under_score.JPG"),
                               QStringLiteral("山田 太郎 ÄÖü.JPG"),
                               longName,
                               QStringLiteral("x'); delete from imported_file; --.JPG")};
    for (const QString& name : names)
        ASSERT_TRUE(m_history.insert(importedFile(QStringLiteral("P/") + name, QStringLiteral("SN'1"))));
    for (const QString& name : names) {
        const auto exact =
            m_history.findByFileNameCameraId(QStringLiteral("P/") + name, QStringLiteral("SN'1"));
        ASSERT_EQ(exact.size(), 1u) << name.left(40).toStdString();
        EXPECT_EQ(exact.front().fileName, QStringLiteral("P/") + name);
        EXPECT_EQ(exact.front().originalFileName, QStringLiteral("/media/card/DCIM/") + name);
        EXPECT_TRUE(like(name, QStringLiteral("SN'1")).contains(QStringLiteral("P/") + name));
    }
    EXPECT_EQ(m_history.findAll().size(), static_cast<size_t>(names.size()));
}

TEST_F(ImportedFileDaoTest, AbsentTextsAreStoredEmptyAndFoundByTheEmptyText)
{
    ImportedFileEntity file;
    file.fileName = QStringLiteral("P/IMG_0001.JPG");
    ASSERT_TRUE(m_history.insert(file)) << "the not-null columns take the empty text";
    const auto rows = m_history.findByLikeFileNameCameraId(QStringLiteral("IMG_0001.JPG"), QString());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.front().cameraId, QString());
    EXPECT_EQ(rows.front().originalFileName, QString());
}

TEST_F(ImportedFileDaoTest, DeleteBeforeDatetimeIncludesTheGivenTime)
{
    store({importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1"), 20240101115959),
           importedFile(QStringLiteral("P/b.JPG"), QStringLiteral("SN-1"), 20240101120000),
           importedFile(QStringLiteral("P/c.JPG"), QStringLiteral("SN-1"), 20240101120001)});
    EXPECT_TRUE(m_history.deleteBeforeDatetime(20240101120000));
    EXPECT_EQ(fileNames(m_history.findByLikeFileNameCameraId(QStringLiteral("%"), QStringLiteral("SN-1"))),
              QStringList{QStringLiteral("P/c.JPG")});
}

TEST(AddColumnQuery, EndsWithTheTypeOrTheDefaultThenABlankAndSemicolon)
{
    EXPECT_EQ(ImportedFileDao::getAddColumnQuery(QStringLiteral("note"), QStringLiteral("text"), false,
                                                 QStringLiteral("'ignored'")),
              QStringLiteral("alter table imported_file add column note text ;"));
    EXPECT_EQ(
        ImportedFileDao::getAddColumnQuery(QStringLiteral("original_file_name"), QStringLiteral("text"), true,
                                           QStringLiteral("''")),
        QStringLiteral("alter table imported_file add column original_file_name text not null default '' ;"));
    EXPECT_TRUE(ImportedFileDao::getAddColumnQuery(QStringLiteral("size"), QStringLiteral("numeric(10, 2)"),
                                                   true, QStringLiteral("-1.5e3")));
    EXPECT_TRUE(ImportedFileDao::getAddColumnQuery(QStringLiteral("n"), QStringLiteral("text"), true,
                                                   QStringLiteral("'it''s'")));
}

TEST(AddColumnQuery, RefusesWhatIsNotANameATypeOrOneLiteral)
{
    const auto query = [](const char* name, const char* type, const char* defaultValue) {
        return ImportedFileDao::getAddColumnQuery(QString::fromUtf8(name), QString::fromUtf8(type), true,
                                                  QString::fromUtf8(defaultValue));
    };
    EXPECT_FALSE(query("x; drop table imported_file", "text", "''"));
    EXPECT_FALSE(query("", "text", "''"));
    EXPECT_FALSE(query("\"quoted\"", "text", "''"));
    EXPECT_FALSE(query("x", "text; drop table imported_file", "''"));
    EXPECT_FALSE(query("x", "text primary key", "''"));
    EXPECT_FALSE(query("x", "text", "'a'; drop table imported_file; --"));
    EXPECT_FALSE(query("x", "text", "'it's'"));
    EXPECT_FALSE(query("x", "text", "'a' || 'b'"));
    EXPECT_FALSE(query("x", "text", ""));
}

TEST_F(ImportedFileDaoTest, AddColumnOnAnExistingColumnChangesNothing)
{
    store({importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1"))});
    const auto schema = [this] {
        return m_history.executeFindSingleColumn(
            {QStringLiteral("select sql from sqlite_master where name = ?;"),
             {QStringLiteral("imported_file")}});
    };
    const auto before = schema();
    ASSERT_TRUE(before);
    EXPECT_FALSE(m_history.addColumn(QStringLiteral("original_file_name"), QStringLiteral("text"), true,
                                     QStringLiteral("''")));
    EXPECT_FALSE(
        m_history.addColumn(QStringLiteral("id"), QStringLiteral("text"), true, QStringLiteral("'x; drop'")));
    EXPECT_EQ(schema(), before);
    const auto rows = m_history.findAll();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(dynamic_cast<const ImportedFileEntity&>(*rows.front()).originalFileName,
              QStringLiteral("/media/card/DCIM/a.JPG"));
}

TEST(ImportedFileDaoMigration, AddedColumnsGiveOlderRowsTheEmptyText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    {
        FMDatabase database(path);
        ASSERT_TRUE(database.open());
        ASSERT_TRUE(database.executeStatements(
            QStringLiteral("create table imported_file (id integer primary key, file_name text, camera_id "
                           "text, datetime integer);"
                           "insert into imported_file (file_name, camera_id, datetime) values ('P/a.JPG', "
                           "'SN-1', 20200101000000);")));
    }
    const ImportedFileDao history(path);
    EXPECT_FALSE(history.insert(importedFile(QStringLiteral("P/b.JPG"), QStringLiteral("SN-1"))))
        << "the older table lacks two columns";
    for (const char* column : {"original_file_name", "transferred_folder"}) {
        EXPECT_FALSE(history.existColumn(QString::fromLatin1(column), QStringLiteral("IMPORTED_FILE")));
        EXPECT_TRUE(history.addColumn(QString::fromLatin1(column), QStringLiteral("text"), true,
                                      QStringLiteral("''")));
        EXPECT_TRUE(history.existColumn(QString::fromLatin1(column), QStringLiteral("IMPORTED_FILE")));
    }
    const auto old = history.findByLikeFileNameCameraId(QStringLiteral("a.JPG"), QStringLiteral("SN-1"));
    ASSERT_EQ(old.size(), 1u);
    EXPECT_EQ(old.front().transferredFolder, QString());
    EXPECT_TRUE(history.insert(importedFile(QStringLiteral("P/b.JPG"), QStringLiteral("SN-1"))));
}

} // namespace
