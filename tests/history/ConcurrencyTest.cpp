// Other connections and processes holding or sharing the database.
#include "HistoryTestSupport.h"

#include "history/FMDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <future>
#include <set>
#include <thread>

using historytest::HistoryFixture;
using historytest::importedFile;

namespace {

using namespace std::chrono_literals;

TEST_F(HistoryFixture, TwoProcessesInsertingAtOnceLoseNoRow)
{
    constexpr int rowsEach = 150;
    QProcess first;
    QProcess second;
    const QString self = QCoreApplication::applicationFilePath();
    first.start(self,
                {QStringLiteral("--insert-worker"), m_path, QStringLiteral("A"), QString::number(rowsEach)});
    second.start(self,
                 {QStringLiteral("--insert-worker"), m_path, QStringLiteral("B"), QString::number(rowsEach)});
    ASSERT_TRUE(first.waitForFinished(120000));
    ASSERT_TRUE(second.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

    std::set<QString> names;
    for (const auto& row : ImportedFileDao(m_path).findAll())
        names.insert(dynamic_cast<const ImportedFileEntity&>(*row).fileName.value_or(QString()));
    EXPECT_EQ(names.size(), 2u * rowsEach);
    EXPECT_TRUE(names.count(QStringLiteral("A/%1.JPG").arg(rowsEach - 1)) &&
                names.count(QStringLiteral("B/0.JPG")));
}

// In SQLite's rollback journal, which the store keeps, an exclusive lock shuts readers out too; in a
// write-ahead log (a database another tool switched) it stops writers only.
TEST_F(HistoryFixture, ADatabaseLockedByAnotherConnectionFailsWithinTheBusyTimeout)
{
    const ImportedFileDao history(m_path, 300ms);
    ASSERT_TRUE(history.insert(importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1"))));
    for (const bool writeAheadLog : {true, false}) {
        SCOPED_TRACE(writeAheadLog ? "write-ahead log" : "rollback journal");
        FMDatabase holder(m_path);
        ASSERT_TRUE(holder.open());
        ASSERT_TRUE(holder.executeStatements(writeAheadLog ? QStringLiteral("PRAGMA journal_mode=WAL;")
                                                           : QStringLiteral("PRAGMA journal_mode=DELETE;")));
        ASSERT_TRUE(holder.executeUpdate(QStringLiteral("begin exclusive;")));

        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(history.insert(importedFile(QStringLiteral("P/b.JPG"), QStringLiteral("SN-1"))));
        EXPECT_GE(timer.elapsed(), 250) << "the insert waits for the lock";
        EXPECT_EQ(history.findByLikeFileNameCameraId(QStringLiteral("a.JPG"), QStringLiteral("SN-1")).size(),
                  writeAheadLog ? 1u : 0u);
        EXPECT_LT(timer.elapsed(), 5000) << "and then gives up";

        ASSERT_TRUE(holder.executeUpdate(QStringLiteral("rollback;")));
    }
    EXPECT_TRUE(history.insert(importedFile(QStringLiteral("P/b.JPG"), QStringLiteral("SN-1"))));
    EXPECT_EQ(history.findAll().size(), 2u);
}

TEST_F(HistoryFixture, AWriteWaitsForALockThatIsReleasedSoon)
{
    std::promise<void> locked;
    std::thread holderThread([this, &locked] {
        FMDatabase holder(m_path);
        const bool holding = holder.open() && holder.executeUpdate(QStringLiteral("begin exclusive;"));
        locked.set_value();
        if (holding) {
            std::this_thread::sleep_for(400ms);
            holder.executeUpdate(QStringLiteral("commit;"));
        }
    });
    locked.get_future().wait();
    QElapsedTimer timer;
    timer.start();
    const bool inserted =
        ImportedFileDao(m_path).insert(importedFile(QStringLiteral("P/a.JPG"), QStringLiteral("SN-1")));
    const qint64 elapsed = timer.elapsed();
    holderThread.join();
    EXPECT_TRUE(inserted);
    EXPECT_GE(elapsed, 300) << "the lock was held while the insert ran";
}

} // namespace
