// The import service with its camera-card and watch-folder sources, against hand-driven event
// streams: what it imports, asks and reports, and that its batches run off the calling thread.
#include "QStringPrinting.h"
#include "TransferTestSupport.h"

#include "app/PropertyList.h"
#include "app/TrevaselCommon.h"
#include "platform/fake/FakeFileEventStreamService.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "transfer/ImportService.h"
#include "transfer/ORVSDManager.h"
#include "transfer/WatchSDCardOperator.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace transfertest;
using namespace std::chrono_literals;

namespace {

class Sources : public TransferFixture
{
protected:
    void SetUp() override
    {
        TransferFixture::SetUp();
        m_saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toUtf8());
        m_volumes = m_dir.filePath(QStringLiteral("volumes"));
        m_program = m_dir.filePath(QStringLiteral("program"));
        ASSERT_TRUE(QDir().mkpath(m_volumes));
        ASSERT_TRUE(QDir().mkpath(m_program));
        set(SettingsKey::activateAvoidMultipleImportCheck);
        set(SettingsKey::displayDesktopNotice, QStringLiteral("1"));
        set(SettingsKey::watchRemovableDiskDrive);
        saveSettings();
        ORVSDManager::sharedInstance().clear();
    }
    void TearDown() override
    {
        m_service.reset();
        qputenv("XDG_DATA_HOME", m_saved);
    }

    void saveSettings() { ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(m_settings)); }
    EventIdStore ids() const { return EventIdStore(m_dir.filePath(QStringLiteral("ids.conf"))); }
    // The service, watching as the saved settings say, with no pauses.
    ImportService& startService(std::chrono::milliseconds watchSettleTime = 0ms)
    {
        m_service = std::make_unique<ImportService>(
            ImportService::Services{&m_streams, ids(),
                                    [this] {
                                        m_jobThread = QThread::currentThread();
                                        return std::make_unique<BaseWatchFolderOperator>(m_database);
                                    },
                                    Edition::Full, QStringList{m_volumes}, m_program, 0ms, watchSettleTime});
        m_started = std::make_unique<QSignalSpy>(m_service.get(), &ImportService::batchStarted);
        m_ended = std::make_unique<QSignalSpy>(m_service.get(), &ImportService::batchEnded);
        m_asked = std::make_unique<QSignalSpy>(m_service.get(), &ImportService::cardQuestion);
        m_idle = std::make_unique<QSignalSpy>(m_service.get(), &ImportService::idle);
        m_service->registerSources(SettingsSnapshot::read());
        return *m_service;
    }
    // Pushes an event batch and waits until the service has handled it and has nothing left to do.
    void pushAndSettle(const QString& watched, const QStringList& changed)
    {
        const qsizetype idleBefore = m_idle->size();
        ASSERT_TRUE(m_streams.push(watched, changed));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_idle->size() > idleBefore; }, 30000));
    }
    ImportOutcome lastOutcome() const { return m_ended->last().at(0).value<ImportOutcome>(); }
    // A card folder with the marker and stills, moved into the volumes folder as a mount would.
    QString insertCard(const QString& name, int second, int stills = 1)
    {
        const QString card = m_dir.filePath(name);
        EXPECT_TRUE(QDir().mkpath(card + QStringLiteral("/DCIM/100ORVIS")));
        for (int i = 0; i < stills; ++i)
            EXPECT_TRUE(testsupport::writeCameraFile(card + QStringLiteral("/DCIM/100ORVIS/A%1.JPG").arg(i),
                                                     shotAt((second + i) % 60)));
        QFile marker(card + QStringLiteral("/ORV_SD"));
        EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
        marker.close();
        const QString mounted = m_volumes + u'/' + name;
        EXPECT_TRUE(QDir().rename(card, mounted));
        return mounted;
    }

    FakeFileEventStreamService m_streams;
    QString m_volumes;
    QString m_program;
    QByteArray m_saved;
    std::unique_ptr<ImportService> m_service;
    std::unique_ptr<QSignalSpy> m_started, m_ended, m_asked, m_idle;
    std::atomic<QThread*> m_jobThread{nullptr};
};

} // namespace

TEST_F(Sources, ANewCardIsImportedStampedAndReportedAndAnUnchangedOneStartsNothing)
{
    startService();
    const QString card = insertCard(QStringLiteral("CARD"), 1);
    const QString marker = card + QStringLiteral("/ORV_SD");
    const QDateTime before = QFileInfo(marker).lastModified();
    pushAndSettle(m_volumes, {m_volumes});

    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(1)});
    ASSERT_EQ(m_started->size(), 1);
    const auto started = m_started->first().at(0).value<ImportBatch>();
    EXPECT_EQ(started.source, ImportBatch::Source::Card);
    EXPECT_EQ(started.folders, QStringList{card});
    EXPECT_EQ(started.pictures, 1);
    EXPECT_EQ(started.bytes, QFileInfo(card + QStringLiteral("/DCIM/100ORVIS/A0.JPG")).size());
    ASSERT_EQ(m_ended->size(), 1);
    EXPECT_EQ(lastOutcome().transferred, 1);
    EXPECT_FALSE(lastOutcome().failureReason.has_value());
    EXPECT_TRUE(lastOutcome().settings->displayDesktopNotice);
    EXPECT_GE(QFileInfo(marker).lastModified(), before);
    EXPECT_EQ(ids().load(EventIdStore::kSDCardKey), 1u);

    // The same card, marker unchanged: nothing starts.
    pushAndSettle(m_volumes, {m_volumes});
    EXPECT_EQ(m_ended->size(), 1);

    // A volume without the marker, or with a folder of that name, is no card.
    ASSERT_TRUE(QDir().mkpath(m_volumes + QStringLiteral("/USB/ORV_SD")));
    pushAndSettle(m_volumes, {m_volumes});
    EXPECT_EQ(m_ended->size(), 1);
    EXPECT_TRUE(m_asked->isEmpty());
}

TEST_F(Sources, ACardQuestionImportsNothingUntilItIsAnswered)
{
    set(SettingsKey::confirmBeforeSending, 1001);
    saveSettings();
    startService();
    const QString card = insertCard(QStringLiteral("CARD"), 2);
    pushAndSettle(m_volumes, {m_volumes});
    ASSERT_EQ(m_asked->size(), 1);
    EXPECT_EQ(m_asked->first().at(0).toStringList(), QStringList{card});
    EXPECT_TRUE(filesBelow(m_destination).isEmpty()) << "nothing before the answer";
    EXPECT_TRUE(m_ended->isEmpty());

    m_service->importCards({card}, SettingsSnapshot::read());
    ASSERT_TRUE(m_ended->wait(30000));
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(2)});
}

TEST_F(Sources, AFailedCardBatchReportsItsReasonAndLeavesTheMarkerUnstamped)
{
    set(SettingsKey::destinationFolderPath, QStringLiteral("relative"));
    saveSettings();
    startService();
    const QString marker = insertCard(QStringLiteral("CARD"), 4) + QStringLiteral("/ORV_SD");
    const QDateTime before = QFileInfo(marker).lastModified();
    pushAndSettle(m_volumes, {m_volumes});
    ASSERT_EQ(m_ended->size(), 1);
    ASSERT_TRUE(lastOutcome().failureReason.has_value());
    EXPECT_TRUE(lastOutcome().failureReason->contains(QStringLiteral("absolute")));
    EXPECT_EQ(QFileInfo(marker).lastModified(), before);
    EXPECT_FALSE(QFileInfo::exists(m_program + QStringLiteral("/$TMP")));
}

TEST_F(Sources, BatchesRunOffTheCallingThreadWhoseEventsFlowMeanwhile)
{
    startService();
    insertCard(QStringLiteral("CARD"), 0, 40);
    int ticks = 0;
    int ticksWhileRunning = -1;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(1);
    QObject::connect(m_service.get(), &ImportService::batchStarted, [&] { ticks = 0; });
    QObject::connect(m_service.get(), &ImportService::batchEnded, [&] { ticksWhileRunning = ticks; });
    pushAndSettle(m_volumes, {m_volumes});
    EXPECT_EQ(lastOutcome().transferred, 40);
    EXPECT_NE(m_jobThread.load(), nullptr);
    EXPECT_NE(m_jobThread.load(), QThread::currentThread()) << "the job runs on the service's worker";
    EXPECT_GT(ticksWhileRunning, 0) << "the calling thread's timers ran while the batch did";
}

TEST_F(Sources, SettingsAppliedDuringABatchTakeEffectWhenItHasEnded)
{
    startService();
    const int streamsBefore = m_streams.createdCount();
    insertCard(QStringLiteral("CARD"), 0, 30);
    int createdDuringBatch = -1;
    // Applied as soon as the batch has begun, and again while its pictures arrive.
    QObject::connect(m_service.get(), &ImportService::batchStarted, [&] {
        set(SettingsKey::watchFolder);
        set(SettingsKey::watchFolderPath, m_source);
        saveSettings();
        m_service->registerSources(SettingsSnapshot::read());
        createdDuringBatch = m_streams.createdCount();
    });
    QObject::connect(m_service.get(), &ImportService::pictureArrived,
                     [&] { m_service->registerSources(SettingsSnapshot::read()); });
    pushAndSettle(m_volumes, {m_volumes});
    EXPECT_EQ(lastOutcome().transferred, 30);
    EXPECT_EQ(createdDuringBatch, streamsBefore) << "no source is replaced under a running batch";
    EXPECT_EQ(m_streams.createdCount(), streamsBefore + 2) << "the card and the watch folder, once";
    EXPECT_TRUE(m_service->isWatchingFolder());
    EXPECT_TRUE(m_service->isWatchingCards());
}

TEST_F(Sources, AStreamStartedFromAStoredPositionDropsOnlyItsReplay)
{
    ids().save(EventIdStore::kImageFileKey, 41);
    const QString watched = m_dir.filePath(QStringLiteral("watched"));
    ASSERT_TRUE(QDir().mkpath(watched));
    set(SettingsKey::watchFolder);
    set(SettingsKey::watchFolderPath, watched);
    set(SettingsKey::watchRemovableDiskDrive, false);
    saveSettings();
    startService();
    ASSERT_TRUE(testsupport::writeCameraFile(watched + QStringLiteral("/a.JPG"), shotAt(5)));
    QCoreApplication::processEvents(); // the replay batch comes on its own and is dropped
    EXPECT_TRUE(m_ended->isEmpty());
    pushAndSettle(watched, {watched});
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(5)});
    EXPECT_GT(ids().load(EventIdStore::kImageFileKey), 41u);
}

TEST_F(Sources, AStillBeingWrittenIsLeftForTheBatchAfterIt)
{
    const QString watched = m_dir.filePath(QStringLiteral("watched"));
    ASSERT_TRUE(QDir().mkpath(watched));
    set(SettingsKey::watchFolder);
    set(SettingsKey::watchFolderPath, watched);
    saveSettings();
    startService(3s);
    ASSERT_TRUE(testsupport::writeCameraFile(watched + QStringLiteral("/a.JPG"), shotAt(7)));
    pushAndSettle(watched, {watched});
    EXPECT_TRUE(filesBelow(m_destination).isEmpty()) << "changed a moment ago";
    EXPECT_EQ(lastOutcome().unsettledFolders, QStringList{watched});

    // Nothing changes in the folder again; the still comes back by itself once it has settled.
    // The copy lies under a hidden temporary name until it has been read back.
    const QStringList arrived{satoFolder + u'/' + k44Name(7)};
    EXPECT_TRUE(QTest::qWaitFor([&] { return filesBelow(m_destination) == arrived; }, 30000))
        << qPrintable(filesBelow(m_destination).join(u','));
}

TEST_F(Sources, RegistriesKnowNewCardsAndForgetRemovedOnes)
{
    ORVSDManager& registry = ORVSDManager::sharedInstance();
    registry.setVolumesFolders({m_volumes});
    const QString marker = insertCard(QStringLiteral("CARD"), 8) + QStringLiteral("/ORV_SD");
    EXPECT_TRUE(registry.checkUpdate(marker));
    registry.setTarget(marker);
    EXPECT_FALSE(registry.checkUpdate(marker));
    registry.setTarget(marker, QDateTime::currentDateTime().addDays(-1));
    EXPECT_TRUE(registry.checkUpdate(marker)) << "the camera wrote since";
    EXPECT_FALSE(registry.checkUpdate(m_volumes + QStringLiteral("/NONE/ORV_SD")));

    EXPECT_FALSE(registry.checkUnmount(marker));
    EXPECT_FALSE(registry.checkUnmount(QStringLiteral("/elsewhere/CARD/ORV_SD")));
    ASSERT_TRUE(QDir(m_volumes + QStringLiteral("/CARD")).removeRecursively());
    EXPECT_TRUE(registry.checkUnmount(marker));
    registry.removeUnmountTarget();
    EXPECT_TRUE(registry.targetDictionary().isEmpty());

    const QStringList volumes{m_volumes};
    EXPECT_TRUE(WatchSDCardOperator::checkSearchFolder(m_volumes + QStringLiteral("/CARD/"), volumes));
    EXPECT_FALSE(WatchSDCardOperator::checkSearchFolder(m_volumes + QStringLiteral("/CARD/DCIM"), volumes));
    EXPECT_FALSE(WatchSDCardOperator::checkSearchFolder(m_volumes, volumes));
}
