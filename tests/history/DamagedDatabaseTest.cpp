// Damaged files and files without the table: empty finds, false writes, no crash, file untouched.
#include "HistoryTestSupport.h"

#include "history/FMDatabase.h"

#include <QFile>

using historytest::HistoryFixture;
using historytest::importedFile;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The schema checks are left out where only the table's pages are damaged: they read the intact schema.
void expectEveryOperationFails(const QString& path, bool schemaDamaged = true)
{
    const ImportedFileDao history(path);
    EXPECT_TRUE(history.findAll().empty());
    EXPECT_TRUE(
        history.findByLikeFileNameCameraId(QStringLiteral("IMG_0001.JPG"), QStringLiteral("SN-1")).empty());
    EXPECT_TRUE(
        history.findByFileNameCameraId(QStringLiteral("P/IMG_0001.JPG"), QStringLiteral("SN-1")).empty());
    EXPECT_FALSE(history.insert(importedFile(QStringLiteral("P/IMG_0002.JPG"), QStringLiteral("SN-1"))));
    EXPECT_FALSE(history.deleteBeforeDatetime(20990101000000));
    if (!schemaDamaged)
        return;
    EXPECT_FALSE(history.existColumn(QStringLiteral("id"), QStringLiteral("imported_file")));
    EXPECT_FALSE(
        history.addColumn(QStringLiteral("extra"), QStringLiteral("text"), true, QStringLiteral("''")));
}

TEST(DamagedDatabase, AFileOfGarbageFailsEveryOperationAndStaysAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    QByteArray garbage;
    for (int index = 0; index < 8192; ++index)
        garbage += static_cast<char>((index * 131 + 7) & 0xff);
    ASSERT_TRUE(writeFile(path, garbage));
    expectEveryOperationFails(path);
    EXPECT_EQ(contents(path), garbage);
}

TEST_F(HistoryFixture, ADatabaseWhoseTablePagesAreOverwrittenFailsEveryOperation)
{
    const ImportedFileDao history(m_path);
    for (int row = 0; row < 300; ++row)
        ASSERT_TRUE(
            history.insert(importedFile(QStringLiteral("P/IMG_%1.JPG").arg(row), QStringLiteral("SN-1"))));
    ASSERT_TRUE(HistoryDatabase::checkpoint(m_path)) << "the rows must be in the file, not in its log";
    QByteArray bytes = contents(m_path);
    ASSERT_GT(bytes.size(), 3 * 4096) << "the table must span pages beyond the first";
    // Page 1 keeps the header and the schema, so only the table's own pages are damaged.
    for (qsizetype index = 4096; index < bytes.size(); ++index)
        bytes[index] = static_cast<char>(0xa5);
    ASSERT_TRUE(writeFile(m_path, bytes));
    expectEveryOperationFails(m_path, false);
}

TEST(DamagedDatabase, ADatabaseWithoutTheTableGivesEmptyFindsAndFalseWrites)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    FMDatabase database(path);
    ASSERT_TRUE(database.open());
    ASSERT_TRUE(database.executeUpdate(QStringLiteral("create table other (x);")));
    database.close();
    expectEveryOperationFails(path);
}

} // namespace
