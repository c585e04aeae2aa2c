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

// The index may only narrow the rows read, never the rows found: every lookup must give what "like"
// over the whole table gives.
TEST_F(ImportedFileDaoTest, IndexedLookupGivesTheRowsOfTheWholeTableLike)
{
    const QString top = QString::fromUcs4(U"\U0010FFFF");
    const QStringList stored = {"P1/IMG_0001.JPG",
                                "P2/img-0001.jpg",
                                "P3/Img_0001.jpg.bak",
                                "IMG_0001.JPG",
                                "P/A/B.JPG",
                                "P/a_b.jpg",
                                "P/AxB.JPG",
                                "P/A_B.JPG/",
                                "P/ä.JPG",
                                "P/Ä.jpg",
                                "P/K.JPG",
                                "P/\u212A.JPG",
                                "P/100% done.JPG",
                                "P/100x done.JPG",
                                "P/__.JPG",
                                "P/_B.JPG",
                                "P/B.JPG",
                                "P/FLP.JPG",
                                "P/2015-01-01 000003_FLP.JPG",
                                "P/2015-01-01 000003/FLP.JPG",
                                "P/2015-01-01 000003XFLP.jpg",
                                "P/2015-01-01 000003_flp.JPG.part",
                                "P/z_x.JPG",
                                "P/{_x.JPG",
                                "P/Z" + top + "_x.JPG",
                                "P/" + top + "_x",
                                "P/" + top + top + "_x",
                                "Q/z\uffff_" + top + ".JPG",
                                "P/",
                                "/",
                                "P//B.JPG"};
    ASSERT_TRUE(m_history.beginSession()); // one connection for the hundred inserts
    for (const QString& name : stored) {
        store({importedFile(name, QStringLiteral("SN-1")), importedFile(name, QStringLiteral("SN-2"))});
        ImportedFileEntity noCamera = importedFile(name, QString());
        noCamera.cameraId.reset();
        store({noCamera});
    }
    // Values another program may have written: a blob, a number, no name, the empty camera.
    FMDatabase database(m_path);
    ASSERT_TRUE(database.open());
    ASSERT_TRUE(database.executeUpdate(
        QStringLiteral("insert into imported_file (file_name, camera_id, datetime) values (?, ?, 0), "
                       "(12, 'SN-1', 0), (NULL, 'SN-1', 0), ('P/B.JPG', '', 0);"),
        {QByteArray("P/blob_B.JPG"), QStringLiteral("SN-1")}));

    const QStringList names = {"IMG_0001.JPG",
                               "img_0001.jpg",
                               "A_B.JPG",
                               "a_b.jpg",
                               "A_B.JPG_",
                               "ä.jpg",
                               "Ä.JPG",
                               "K.JPG",
                               "k.jpg",
                               "\u212A.JPG",
                               "100% done.JPG",
                               "100_ done.JPG",
                               "",
                               "_",
                               "__.JPG",
                               "_B.JPG",
                               "B.JPG",
                               "b.jpg",
                               "blob_b.jpg",
                               "12",
                               "2015-01-01 000003_FLP.JPG",
                               "2015-01-01 000003_FLP.JPG_part",
                               "Z_x.JPG",
                               "z" + top + "_x.jpg",
                               top + "_X",
                               top + top + "_x",
                               "z\uffff_" + top + ".JPG",
                               "A/B.JPG",
                               "%",
                               "x%"};
    const auto ids = [](const std::vector<ImportedFileEntity>& rows) {
        QList<qint64> found;
        for (const auto& row : rows)
            found << row.recordId;
        return found;
    };
    int matches = 0;
    for (const QString& name : names) {
        for (const QString& camera : {QStringLiteral("SN-1"), QStringLiteral("SN-2"), QString()}) {
            for (const std::optional<qint64> after : {std::optional<qint64>(), std::optional<qint64>(40)}) {
                QList<qint64> expected;
                const auto rows = database.executeQuery(
                    QStringLiteral("select id from imported_file where file_name like ? and camera_id = ? "
                                   "and id > ? order by id;"),
                    {QStringLiteral("%/") + name, camera, after.value_or(0)});
                ASSERT_TRUE(rows);
                while (rows->next())
                    expected << rows->longLongIntForColumn(QStringLiteral("id"));
                const auto found = after ? m_history.findByLikeFileNameCameraIdAfter(name, camera, *after)
                                         : m_history.findByLikeFileNameCameraId(name, camera);
                ASSERT_EQ(m_history.lastFailure(), std::nullopt) << name.toStdString();
                EXPECT_EQ(ids(found), expected) << "\"" << name.toStdString() << "\" of \""
                                                << camera.toStdString() << "\" after " << after.value_or(0);
                matches += static_cast<int>(expected.size());
            }
        }
    }
    EXPECT_GT(matches, 60) << "the names must find rows for the comparison to mean anything";
}

TEST_F(ImportedFileDaoTest, PictureHashesAreFoundSinceATimeAndPurgedWithTheHistory)
{
    const auto hashRow = [](const char* path, qint64 size, qint64 datetime) {
        return PictureHashEntity{std::nullopt, QString::fromUtf8(path), size,
                                 QStringLiteral("0123456789abcdef0123456789abcdef"), datetime};
    };
    ASSERT_TRUE(m_history.insertPictureHash(hashRow("/srv/P/a.JPG", 10, 20240101115959)));
    ASSERT_TRUE(m_history.insertPictureHash(hashRow("/srv/P/山田 'b'.JPG", 5000000000, 20240101120000)));
    ASSERT_TRUE(m_history.insertPictureHash(hashRow("/srv/P/c.JPG", 0, 20240101120001)));
    store({importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1"), 20240101115959)});

    const auto since = m_history.findPictureHashesSince(20240101120000);
    ASSERT_EQ(since.size(), 2u);
    EXPECT_EQ(since[0].id, 2);
    EXPECT_EQ(since[0].path, QStringLiteral("/srv/P/山田 'b'.JPG"));
    EXPECT_EQ(since[0].size, 5000000000);
    EXPECT_EQ(since[0].hash, QStringLiteral("0123456789abcdef0123456789abcdef"));
    EXPECT_EQ(since[0].datetime, 20240101120000);
    EXPECT_EQ(since[1].path, QStringLiteral("/srv/P/c.JPG"));

    EXPECT_TRUE(m_history.deleteBeforeDatetime(20240101120000));
    const auto left = m_history.findPictureHashesSince(0);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, QStringLiteral("/srv/P/c.JPG"));
    EXPECT_TRUE(m_history.findAll().empty());

    // A database from before the hashes: nothing to purge there, and nothing to keep them in.
    FMDatabase database(m_path);
    ASSERT_TRUE(database.open() &&
                database.executeStatements(QStringLiteral("drop table imported_file_hash;")));
    EXPECT_TRUE(m_history.deleteBeforeDatetime(20240101120000));
    EXPECT_FALSE(m_history.insertPictureHash(hashRow("/srv/P/d.JPG", 1, 20240101120002)));
    EXPECT_TRUE(m_history.findPictureHashesSince(0).empty());
    EXPECT_TRUE(m_history.lastFailure());
}

} // namespace
