// The import history: the duplicate check of every picture against 100,000 and 1,000,000 rows of one
// camera, each next to the "like" over the whole table that it replaced, measured in the same run;
// the start-up upgrade that builds the check's index on a database without it; and the insert rate
// with one handle per statement.
#include "history/FMDatabase.h"
#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

const QString kCamera = QStringLiteral("SN-1"); // one camera: every row is a candidate for the scan

// The store's own names: shooting date and time, every third with a suffix ("_FLP"), one a second.
QString shotName(qint64 row)
{
    static const QDateTime first(QDate(2015, 1, 1), QTime(8, 0));
    return first.addSecs(row).toString(QStringLiteral("yyyy-MM-dd HHmmss")) +
           (row % 3 == 0 ? QStringLiteral("_FLP") : QString()) + QStringLiteral(".JPG");
}

ImportedFileEntity benchFile(qint64 row)
{
    ImportedFileEntity file;
    const QString patient = QStringLiteral("%1 PATIENT").arg(row / 50, 10, 10, QLatin1Char('0'));
    file.fileName = patient + QLatin1Char('/') + shotName(row);
    file.cameraId = kCamera;
    file.datetime = 20240101000000 + row;
    file.originalFileName =
        QStringLiteral("/media/card/DCIM/100ORVS/ORVS%1.JPG").arg(row, 7, 10, QLatin1Char('0'));
    file.transferredFolder = QStringLiteral("/home/practice/Pictures/TrevaselD/") + patient;
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

// The lookup as it was before the index: "like" over every row.
std::vector<std::unique_ptr<BaseEntity>> scanLookup(const ImportedFileDao& history, const QString& name)
{
    return history.executeFind(
        {QStringLiteral("select id, file_name, camera_id, datetime, original_file_name, transferred_folder "
                        "from imported_file where file_name like ? and camera_id = ? order by id;"),
         {QStringLiteral("%/") + name, kCamera}});
}

double millisecondsSince(Clock::time_point start, qint64 times)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() /
           static_cast<double>(times);
}

// The duplicate check of the shot named by nameOfRow(rows), which must find `expected` rows. The
// counters: scan_ms (the old lookup, a few times before the timed loop), lookup_ms (the timed loop)
// and scan_per_lookup, their ratio.
template <typename NameOfRow>
void duplicateCheck(benchmark::State& state, NameOfRow nameOfRow, size_t expected)
{
    const qint64 rows = state.range(0);
    const QString* path = historyWithRows(rows);
    if (!path) {
        state.SkipWithError("cannot build the database");
        return;
    }
    const ImportedFileDao history(*path);
    const QString name = nameOfRow(rows);
    constexpr qint64 scans = 3;
    const Clock::time_point scanStart = Clock::now();
    for (qint64 scan = 0; scan < scans; ++scan) {
        if (scanLookup(history, name).size() != expected) {
            state.SkipWithError("the old lookup found other rows");
            return;
        }
    }
    const double scanMs = millisecondsSince(scanStart, scans);

    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        auto found = history.findByLikeFileNameCameraId(name, kCamera);
        if (found.size() != expected) {
            state.SkipWithError("the lookup found other rows");
            return;
        }
        benchmark::DoNotOptimize(found);
    }
    const double lookupMs = millisecondsSince(start, static_cast<qint64>(state.iterations()));
    state.counters["scan_ms"] = scanMs;
    state.counters["lookup_ms"] = lookupMs;
    state.counters["scan_per_lookup"] = scanMs / lookupMs;
    state.SetItemsProcessed(state.iterations());
}

// A new shot, the usual case: no row matches. Its name is the next second's, so it shares a long
// prefix with the stored names, as on a real card.
void newShot(benchmark::State& state)
{
    duplicateCheck(
        state, [](qint64 rows) { return shotName(rows + 1); }, 0);
}

// A new shot with a suffix: its "_" is a wildcard of "like", which the index follows in two ranges.
void newShotWithSuffix(benchmark::State& state)
{
    duplicateCheck(
        state, [](qint64 rows) { return shotName(rows / 3 * 3 + 3); }, 0);
}

// A shot imported before (with a suffix): one row matches.
void knownShot(benchmark::State& state)
{
    duplicateCheck(
        state, [](qint64 rows) { return shotName(rows / 6 * 3); }, 1);
}

// Start-up on a database from before the index: the index is built over every row, once.
void upgradeBuildsTheIndex(benchmark::State& state)
{
    const QString* path = historyWithRows(state.range(0));
    if (!path) {
        state.SkipWithError("cannot build the database");
        return;
    }
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.db"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(old);
        FMDatabase database(old);
        const bool made = QFile::copy(*path, old) && database.open() &&
                          database.executeStatements(QStringLiteral("drop index imported_file_camera_name;"));
        database.close();
        state.ResumeTiming();
        if (!made || !HistoryDatabase::upgrade(old)) {
            state.SkipWithError("upgrade failed");
            return;
        }
    }
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

BENCHMARK(newShot)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(newShotWithSuffix)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(knownShot)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(upgradeBuildsTheIndex)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(insertThroughStore)->Unit(benchmark::kMicrosecond);
BENCHMARK(insertRollbackJournal)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
