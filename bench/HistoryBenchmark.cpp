// The import history: the duplicate check of every picture (a "like" lookup, which scans the table)
// against 10,000 and 100,000 rows, and the insert rate with one handle per statement.
#include "history/FMDatabase.h"
#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

ImportedFileEntity benchFile(qint64 row)
{
    ImportedFileEntity file;
    file.fileName = QStringLiteral("P%1/ORVS%2.JPG")
                        .arg(row / 50, 5, 10, QLatin1Char('0'))
                        .arg(row, 7, 10, QLatin1Char('0'));
    file.cameraId = QStringLiteral("SN-1"); // one camera: every row is a candidate
    file.datetime = 20240101000000 + row;
    file.originalFileName =
        QStringLiteral("/media/card/DCIM/100ORVS/ORVS%1.JPG").arg(row, 7, 10, QLatin1Char('0'));
    file.transferredFolder =
        QStringLiteral("/home/practice/Pictures/TrevaselD/P%1").arg(row / 50, 5, 10, QLatin1Char('0'));
    return file;
}

// One database per size, filled in a single transaction and made for the whole run.
const QString* historyWithRows(qint64 rows)
{
    static QTemporaryDir dir;
    static std::map<qint64, QString> paths;
    if (const auto found = paths.find(rows); found != paths.end())
        return &found->second;
    const QString path = dir.filePath(QStringLiteral("history-%1.db").arg(rows));
    if (!HistoryDatabase::createIfMissing(path))
        return nullptr;
    FMDatabase database(path);
    if (!database.open() || !database.executeUpdate(QStringLiteral("begin;")))
        return nullptr;
    for (qint64 row = 0; row < rows; ++row) {
        const ImportedFileEntity file = benchFile(row);
        if (!database.executeUpdate(
                QStringLiteral("insert into imported_file (file_name, camera_id, datetime, "
                               "original_file_name, transferred_folder) values (?, ?, ?, ?, ?);"),
                {*file.fileName, *file.cameraId, file.datetime, *file.originalFileName,
                 *file.transferredFolder}))
            return nullptr;
    }
    if (!database.executeUpdate(QStringLiteral("commit;")))
        return nullptr;
    return &paths.emplace(rows, path).first->second;
}

// A new picture, the usual case: no row matches, the whole table is read. Its name is the next
// number the camera gives, so it shares a long prefix with the stored names, as on a real card.
void findByLikeNewPicture(benchmark::State& state)
{
    const QString* path = historyWithRows(state.range(0));
    if (!path) {
        state.SkipWithError("cannot build the database");
        return;
    }
    const ImportedFileDao history(*path);
    const QString name = benchFile(state.range(0)).fileName->section(QLatin1Char('/'), -1);
    for (auto _ : state) {
        auto rows = history.findByLikeFileNameCameraId(name, QStringLiteral("SN-1"));
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations());
}

// A picture imported before: one row matches.
void findByLikeKnownPicture(benchmark::State& state)
{
    const QString* path = historyWithRows(state.range(0));
    if (!path) {
        state.SkipWithError("cannot build the database");
        return;
    }
    const ImportedFileDao history(*path);
    const QString name = benchFile(state.range(0) / 2).fileName->section(QLatin1Char('/'), -1);
    for (auto _ : state) {
        auto rows = history.findByLikeFileNameCameraId(name, QStringLiteral("SN-1"));
        if (rows.size() != 1) {
            state.SkipWithError("the known picture was not found");
            return;
        }
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations());
}

// The store's insert: open, insert, close for every row (write-ahead log, synchronous=NORMAL), then
// the checkpoint that the transfer makes once per batch.
void insertThroughStore(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    if (!HistoryDatabase::createIfMissing(path)) {
        state.SkipWithError("cannot create the database");
        return;
    }
    const ImportedFileDao history(path);
    qint64 row = 0;
    for (auto _ : state) {
        if (!history.insert(benchFile(row++))) {
            state.SkipWithError("insert failed");
            return;
        }
    }
    HistoryDatabase::checkpoint(path); // after the timed loop: once per batch, not per picture
    state.SetItemsProcessed(state.iterations());
}

// For comparison, the same open, insert, close on a database left in SQLite's default rollback
// journal with full sync, as a handle without the store's settings does it.
void insertRollbackJournal(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trevasel.db"));
    if (!HistoryDatabase::createIfMissing(path)) {
        state.SkipWithError("cannot create the database");
        return;
    }
    qint64 row = 0;
    for (auto _ : state) {
        const ImportedFileEntity file = benchFile(row++);
        FMDatabase database(path);
        if (!database.open() ||
            !database.executeUpdate(
                QStringLiteral("insert into imported_file (file_name, camera_id, datetime, "
                               "original_file_name, transferred_folder) values (?, ?, ?, ?, ?);"),
                {*file.fileName, *file.cameraId, file.datetime, *file.originalFileName,
                 *file.transferredFolder})) {
            state.SkipWithError("insert failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(findByLikeNewPicture)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(findByLikeKnownPicture)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(insertThroughStore)->Unit(benchmark::kMicrosecond);
BENCHMARK(insertRollbackJournal)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
