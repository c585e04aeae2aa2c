#include "platform/FileEventStream.h"
#include "tests/platform/EventLoopWait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

void put(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("still");
}

class InotifyStreamTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return QDir::cleanPath(m_dir.filePath(name)); }

    std::unique_ptr<FileEventStream> watch(const QStringList& paths, quint64 since = 0,
                                           std::chrono::milliseconds latency = 150ms)
    {
        return FileEventStreamService::createSystemService(latency)->createStream(
            paths, since, [this](const FileEventBatch& batch) { m_batches.append(batch); });
    }
    QStringList allPaths() const
    {
        QStringList paths;
        for (const FileEventBatch& batch : m_batches)
            paths += batch.paths();
        return paths;
    }

    QTemporaryDir m_dir;
    QList<FileEventBatch> m_batches;
};

} // namespace

TEST_F(InotifyStreamTest, AFileInANewSubFolderIsSeenAndIdsKeepGrowing)
{
    const auto stream = watch({m_dir.path()});
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("DCIM/100ORV")));
    put(path(QStringLiteral("DCIM/100ORV/P1.JPG")));
    ASSERT_TRUE(waitFor([&] { return allPaths().contains(path(QStringLiteral("DCIM/100ORV"))); }));

    // Once the new folder is watched, a later file there is reported too, in a later batch.
    turnFor(300ms);
    const qsizetype before = m_batches.size();
    put(path(QStringLiteral("DCIM/100ORV/P2.JPG")));
    ASSERT_TRUE(waitFor([&] { return m_batches.size() > before; }));
    EXPECT_EQ(m_batches.last().paths(), QStringList{path(QStringLiteral("DCIM/100ORV"))});

    quint64 last = 0;
    for (const FileEventBatch& batch : std::as_const(m_batches)) {
        for (const FileEvent& event : batch.events) {
            EXPECT_GT(event.id, last);
            last = event.id;
        }
    }
}

TEST_F(InotifyStreamTest, ChangesWithinTheLatencyComeAsOneBatchWithEachFolderOnce)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
    const auto stream = watch({m_dir.path()}, 0, 400ms);
    for (int i = 0; i < 5; ++i) {
        put(path(QStringLiteral("a%1.JPG").arg(i)));
        put(path(QStringLiteral("sub/b%1.JPG").arg(i)));
    }
    ASSERT_TRUE(waitFor([&] { return !m_batches.isEmpty(); }));
    turnFor(600ms);
    ASSERT_EQ(m_batches.size(), 1);
    EXPECT_EQ(m_batches.first().paths(), (QStringList{m_dir.path(), path(QStringLiteral("sub"))}));
    EXPECT_EQ(m_batches.first().lastEventId(), 2u) << "a stream started at 0 numbers its events from 1";
}

TEST_F(InotifyStreamTest, AStoredIdFirstBringsTheWatchedPathsAloneThenChangesGoOnFromIt)
{
    const auto stream = watch({m_dir.path()}, 41, 1500ms);
    ASSERT_TRUE(waitFor([&] { return !m_batches.isEmpty(); }, 700ms))
        << "the stand-in for the replay does not wait for the latency";
    ASSERT_EQ(m_batches.size(), 1);
    EXPECT_EQ(m_batches.first().paths(), QStringList{m_dir.path()});
    EXPECT_EQ(m_batches.first().lastEventId(), 42u);

    put(path(QStringLiteral("P1.JPG")));
    ASSERT_TRUE(waitFor([&] { return m_batches.size() == 2; }));
    EXPECT_EQ(m_batches.last().lastEventId(), 43u);
}

TEST_F(InotifyStreamTest, AScheduledBatchComesWithoutAnyEventButNotFromAStoppedStream)
{
    const auto stream = watch({m_dir.path()}, 0, 50ms);
    stream->scheduleBatch({path(QStringLiteral("later"))}, 100ms);
    ASSERT_TRUE(waitFor([&] { return !m_batches.isEmpty(); }));
    EXPECT_EQ(allPaths(), QStringList{path(QStringLiteral("later"))});

    stream->scheduleBatch({path(QStringLiteral("later"))}, 50ms);
    stream->stop();
    turnFor(300ms);
    EXPECT_EQ(m_batches.size(), 1);
}

TEST_F(InotifyStreamTest, AStoppedOrDestroyedStreamDeliversNothingAndLeavesTheOtherOne)
{
    QList<FileEventBatch> cardBatches;
    auto service = FileEventStreamService::createSystemService(100ms);
    auto card =
        service->createStream({m_dir.path()}, 0, [&](const FileEventBatch& b) { cardBatches.append(b); });
    auto folder = watch({m_dir.path()}, 0, 100ms);

    folder->stop();
    put(path(QStringLiteral("P1.JPG")));
    ASSERT_TRUE(waitFor([&] { return !cardBatches.isEmpty(); }));
    turnFor(200ms);
    EXPECT_TRUE(m_batches.isEmpty());

    // Registering again replaces the stream from inside its own callback; the replaced one is gone.
    int replacements = 0;
    card = service->createStream({m_dir.path()}, 0, [&](const FileEventBatch&) {
        ++replacements;
        card = service->createStream({m_dir.path()}, 0, [&](const FileEventBatch&) { ++replacements; });
    });
    put(path(QStringLiteral("P2.JPG")));
    ASSERT_TRUE(waitFor([&] { return replacements == 1; }));
    put(path(QStringLiteral("P3.JPG")));
    ASSERT_TRUE(waitFor([&] { return replacements == 2; }));
    card.reset();
    put(path(QStringLiteral("P4.JPG")));
    turnFor(300ms);
    EXPECT_EQ(replacements, 2);
}

TEST_F(InotifyStreamTest, AFolderThatIsMissingOrVanishesIsFollowedWhenItAppears)
{
    const QString volumes = path(QStringLiteral("media/user"));
    const auto stream = watch({volumes});
    ASSERT_TRUE(QDir().mkpath(volumes));
    ASSERT_TRUE(waitFor([&] { return allPaths().contains(volumes); }));

    // A card appears by a rename, as the system tests simulate it.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("staging/CARD"))));
    put(path(QStringLiteral("staging/CARD/ORV_SD")));
    m_batches.clear();
    ASSERT_TRUE(QDir().rename(path(QStringLiteral("staging/CARD")), volumes + QStringLiteral("/CARD")));
    ASSERT_TRUE(waitFor([&] { return allPaths().contains(volumes); }));

    ASSERT_TRUE(QDir(path(QStringLiteral("media"))).removeRecursively());
    turnFor(300ms);
    m_batches.clear();
    ASSERT_TRUE(QDir().mkpath(volumes + QStringLiteral("/CARD2")));
    ASSERT_TRUE(waitFor([&] { return allPaths().contains(volumes); }));
    put(volumes + QStringLiteral("/CARD2/ORV_SD"));
    ASSERT_TRUE(waitFor([&] { return allPaths().contains(volumes + QStringLiteral("/CARD2")); }));
}
