// A transfer batch keeps one connection to the history for all its rows.
#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"
#include "tests/history/HistoryTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using historytest::importedFile;
using historytest::runSqliteTool;

TEST(HistorySession, RowsAreSeenAtOnceAndTheFileIsWholeAndInRollbackModeAfterwards)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    ASSERT_TRUE(HistoryDatabase::createIfMissing(path));
    {
        ImportedFileDao batch(path);
        ASSERT_TRUE(batch.beginSession());
        for (int i = 0; i < 50; ++i)
            ASSERT_TRUE(
                batch.insert(importedFile(QStringLiteral("P/%1.JPG").arg(i), QStringLiteral("SN-1"))));
        // Another connection, as another process would have, sees every committed row.
        EXPECT_EQ(ImportedFileDao(path).findAll().size(), 50u);
        EXPECT_EQ(batch.findByLikeFileNameCameraId(QStringLiteral("7.JPG"), QStringLiteral("SN-1")).size(),
                  1u);
        batch.endSession();
    }
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-wal"))) << "the log is merged into the file";
    if (const auto mode = runSqliteTool({path, QStringLiteral("PRAGMA journal_mode;")})) {
        EXPECT_EQ(mode->trimmed(), QByteArray("delete"));
    }
    if (const auto count = runSqliteTool({path, QStringLiteral("select count(*) from imported_file;")})) {
        EXPECT_EQ(count->trimmed(), QByteArray("50"));
    }
    EXPECT_EQ(ImportedFileDao(path).findAll().size(), 50u);
}

TEST(HistorySession, AMissingDatabaseGivesNoSessionAndIsNotCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    ImportedFileDao batch(path);
    EXPECT_FALSE(batch.beginSession());
    EXPECT_FALSE(batch.insert(importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1"))));
    EXPECT_FALSE(QFileInfo::exists(path));
}
