// The camera-card and watch-folder sources against hand-driven event streams and a recording shell.
#include "QStringPrinting.h"
#include "TransferTestSupport.h"

#include "app/PropertyList.h"
#include "app/TrevaselCommon.h"
#include "platform/fake/FakeFileEventStreamService.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "transfer/CopyOperator.h"
#include "transfer/ORVSDManager.h"
#include "transfer/WatchSDCardOperator.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace transfertest;

namespace {

class RecordingShell : public SourceShell
{
public:
    bool checkWindow(int windowId) const override { return openWindows.contains(windowId); }
    void postNotification(const QString& name) override { posted << name; }
    void showTransferFailure(const QString& reason) override { failures << reason; }
    void showCopyResult(qint64 fileCount) override { results << fileCount; }
    void confirmCardTransfer(const QStringList& cards, CardTransfer transfer) override
    {
        confirmed << cards;
        pending = std::move(transfer);
    }
    void bringToFront(int windowId) override { fronted << windowId; }
    void hideWindow(int windowId) override { hidden << windowId; }
    void pause(std::chrono::milliseconds) override { ++pauses; }
    void ejectMedia(const QStringList& folders) override { ejected << folders; }

    QList<int> openWindows;
    QStringList posted, failures, ejected;
    QList<QStringList> confirmed;
    QList<qint64> results;
    QList<int> fronted, hidden;
    CardTransfer pending;
    int pauses = 0;
};

class Sources : public TransferFixture
{
protected:
    void SetUp() override
    {
        TransferFixture::SetUp();
        m_saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toUtf8());
        m_volumes = m_dir.filePath(QStringLiteral("volumes"));
        ASSERT_TRUE(QDir().mkpath(m_volumes));
        set(SettingsKey::activateAvoidMultipleImportCheck);
        set(SettingsKey::displayDesktopNotice, QStringLiteral("1"));
        saveSettings();
        ORVSDManager::sharedInstance().clear();
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_saved); }

    void saveSettings() { ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(m_settings)); }
    WatchSDCardOperator::Services cardServices()
    {
        return {&m_streams,
                &m_shell,
                EventIdStore(m_dir.filePath(QStringLiteral("ids.conf"))),
                [this] { return std::make_unique<BaseWatchFolderOperator>(m_database); },
                Edition::Full,
                QStringList{m_volumes}};
    }
    // A card folder with the marker and one still, moved into the volumes folder as a mount would.
    QString insertCard(const QString& name, int second)
    {
        const QString card = m_dir.filePath(name);
        EXPECT_TRUE(QDir().mkpath(card + QStringLiteral("/DCIM/100ORVIS")));
        EXPECT_TRUE(
            testsupport::writeCameraFile(card + QStringLiteral("/DCIM/100ORVIS/A.JPG"), shotAt(second)));
        QFile marker(card + QStringLiteral("/ORV_SD"));
        EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
        marker.close();
        const QString mounted = m_volumes + u'/' + name;
        EXPECT_TRUE(QDir().rename(card, mounted));
        return mounted;
    }

    FakeFileEventStreamService m_streams;
    RecordingShell m_shell;
    QString m_volumes;
    QByteArray m_saved;
};

} // namespace

TEST_F(Sources, ANewCardIsImportedStampedAndReportedAndAnUnchangedOneStartsNothing)
{
    WatchSDCardOperator cards(cardServices());
    cards.registWatchingSDCardFolder();
    const QString card = insertCard(QStringLiteral("CARD"), 1);
    const QString marker = card + QStringLiteral("/ORV_SD");
    const QDateTime before = QFileInfo(marker).lastModified();
    ASSERT_TRUE(m_streams.push(m_volumes, {m_volumes}));

    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(1)});
    EXPECT_EQ(m_shell.results, QList<qint64>{1});
    EXPECT_GE(QFileInfo(marker).lastModified(), before);
    EXPECT_EQ(EventIdStore(m_dir.filePath(QStringLiteral("ids.conf"))).load(EventIdStore::kSDCardKey), 1u);

    // The same card, marker unchanged: nothing starts.
    ASSERT_TRUE(m_streams.push(m_volumes, {m_volumes}));
    EXPECT_EQ(m_shell.results.size(), 1);

    // A volume without the marker, or with a folder of that name, is no card.
    ASSERT_TRUE(QDir().mkpath(m_volumes + QStringLiteral("/USB/ORV_SD")));
    ASSERT_TRUE(m_streams.push(m_volumes, {m_volumes}));
    EXPECT_EQ(m_shell.results.size(), 1);
}

TEST_F(Sources, ConfirmationGetsTheCardsAndItsTransferImportsThem)
{
    set(SettingsKey::confirmBeforeSending, 1001);
    saveSettings();
    WatchSDCardOperator cards(cardServices());
    cards.registWatchingSDCardFolder();
    const QString card = insertCard(QStringLiteral("CARD"), 2);
    ASSERT_TRUE(m_streams.push(m_volumes, {m_volumes}));
    ASSERT_EQ(m_shell.confirmed, QList<QStringList>{QStringList{card}});
    EXPECT_TRUE(filesBelow(m_destination).isEmpty()) << "nothing before the answer";
    EXPECT_EQ(m_shell.pending.getTotalImageFileCount(card), 1);

    m_shell.openWindows << SourceWindow::confirmation;
    insertCard(QStringLiteral("OTHER"), 3);
    ASSERT_TRUE(m_streams.push(m_volumes, {m_volumes}));
    EXPECT_EQ(m_shell.confirmed.size(), 1) << "an open confirmation only comes to the front";
    EXPECT_TRUE(m_shell.fronted.contains(SourceWindow::confirmation));

    m_shell.pending.copyImage({card});
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(2)});
}

TEST_F(Sources, AFailedCardBatchShowsTheAlertAndLeavesTheMarkerUnstamped)
{
    set(SettingsKey::destinationFolderPath, QStringLiteral("relative"));
    saveSettings();
    WatchSDCardOperator cards(cardServices());
    cards.registWatchingSDCardFolder();
    const QString marker = insertCard(QStringLiteral("CARD"), 4) + QStringLiteral("/ORV_SD");
    const QDateTime before = QFileInfo(marker).lastModified();
    m_shell.openWindows << SourceWindow::alert; // the alert is up once shown
    ASSERT_TRUE(m_streams.push(m_volumes, {m_volumes}));
    ASSERT_EQ(m_shell.failures.size(), 1);
    EXPECT_TRUE(m_shell.failures.first().contains(QStringLiteral("absolute")));
    EXPECT_EQ(QFileInfo(marker).lastModified(), before);
    EXPECT_TRUE(m_shell.results.isEmpty()) << "no result window over the alert";
    EXPECT_FALSE(QFileInfo::exists(BaseWatchFolderOperator::transferringFilePath()));
}

TEST_F(Sources, AStreamStartedFromAStoredPositionDropsOnlyItsReplay)
{
    const EventIdStore ids(m_dir.filePath(QStringLiteral("ids.conf")));
    ids.save(EventIdStore::kImageFileKey, 41);
    const QString watched = m_dir.filePath(QStringLiteral("watched"));
    ASSERT_TRUE(QDir().mkpath(watched));
    CopyOperator folder({&m_streams, &m_shell, ids,
                         [this] { return std::make_unique<BaseWatchFolderOperator>(m_database); },
                         Edition::Full, std::chrono::milliseconds(0)});
    folder.registWatching({watched});
    ASSERT_TRUE(testsupport::writeCameraFile(watched + QStringLiteral("/a.JPG"), shotAt(5)));
    QCoreApplication::processEvents(); // the replay batch comes on its own and is dropped
    EXPECT_TRUE(filesBelow(m_destination).isEmpty());
    ASSERT_TRUE(m_streams.push(watched, {watched}));
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(5)});
    EXPECT_GT(ids.load(EventIdStore::kImageFileKey), 41u);

    // Without a stored position nothing is replayed, so the first change is imported at once.
    CopyOperator fresh({&m_streams, &m_shell, EventIdStore(m_dir.filePath(QStringLiteral("other.conf"))),
                        [this] { return std::make_unique<BaseWatchFolderOperator>(m_database); },
                        Edition::Full, std::chrono::milliseconds(0)});
    const QString second = m_dir.filePath(QStringLiteral("second"));
    ASSERT_TRUE(QDir().mkpath(second));
    fresh.registWatching({second});
    ASSERT_TRUE(testsupport::writeCameraFile(second + QStringLiteral("/b.JPG"), shotAt(6)));
    ASSERT_TRUE(m_streams.push(second, {second}));
    EXPECT_TRUE(QFileInfo::exists(destination(satoFolder + u'/' + k44Name(6))));
}

TEST_F(Sources, AStillBeingWrittenIsLeftForTheBatchAfterIt)
{
    const QString watched = m_dir.filePath(QStringLiteral("watched"));
    ASSERT_TRUE(QDir().mkpath(watched));
    CopyOperator folder({&m_streams, &m_shell, EventIdStore(m_dir.filePath(QStringLiteral("ids.conf"))),
                         [this] { return std::make_unique<BaseWatchFolderOperator>(m_database); },
                         Edition::Full, std::chrono::milliseconds(60000)});
    folder.registWatching({watched});
    ASSERT_TRUE(testsupport::writeCameraFile(watched + QStringLiteral("/a.JPG"), shotAt(7)));
    ASSERT_TRUE(m_streams.push(watched, {watched}));
    EXPECT_TRUE(filesBelow(m_destination).isEmpty()) << "changed a moment ago";

    QFile file(watched + QStringLiteral("/a.JPG"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime));
    file.close();
    // The status change of setting the time is itself recent: wait it out with a shorter rule.
    folder.stopWatching();
    CopyOperator settled({&m_streams, &m_shell, EventIdStore(m_dir.filePath(QStringLiteral("ids.conf"))),
                          [this] { return std::make_unique<BaseWatchFolderOperator>(m_database); },
                          Edition::Full, std::chrono::milliseconds(0)});
    settled.registWatching({watched});
    QCoreApplication::processEvents();
    ASSERT_TRUE(m_streams.push(watched, {watched}));
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(7)});
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

    WatchSDCardOperator cards(cardServices());
    EXPECT_TRUE(cards.checkSearchFolder(m_volumes + QStringLiteral("/CARD/")));
    EXPECT_FALSE(cards.checkSearchFolder(m_volumes + QStringLiteral("/CARD/DCIM")));
    EXPECT_FALSE(cards.checkSearchFolder(m_volumes));
}
