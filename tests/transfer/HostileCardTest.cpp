// Crafted cards and broken histories: nothing escapes the destination, nothing hangs, nothing that
// the history cannot vouch for is imported.
#include "QStringPrinting.h"
#include "TransferTestSupport.h"

#include "platform/Logger.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "transfer/BasicWatchFolderOperator.h"
#include "transfer/CopyAheadPipeline.h"
#include "transfer/CopyFailedException.h"

#include <QDirIterator>

#include <sys/stat.h>
#include <unistd.h>

using namespace transfertest;

namespace {

class HostileCard : public TransferFixture
{
protected:
    // The count of a batch over the card, or the failure's reason as its text.
    std::variant<qint64, QString> batch(bool isMove)
    {
        set(SettingsKey::deleteOriginalImage, isMove);
        BaseWatchFolderOperator job(m_database);
        const auto result = WatchFolderBatch::run(job, m_settings, {m_source});
        if (result.failureReason)
            return *result.failureReason;
        return result.transferred;
    }
    // Every file below the temporary folder that is neither on the card, nor in the destination,
    // nor the history.
    QStringList strayFiles() const
    {
        QStringList stray;
        QDirIterator it(m_dir.path(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.startsWith(m_source + u'/') && !path.startsWith(m_destination + u'/') &&
                !path.startsWith(m_database))
                stray << path;
        }
        return stray;
    }
    CameraImage withDate(int second, const QByteArray& date)
    {
        CameraImage image = shotAt(second);
        image.rawTagValues.insert(0x9003, date);
        return image;
    }
};

} // namespace

TEST_F(HostileCard, ADateThatIsNoDateIsSkippedWhileTheGoodPicturesArriveAndNothingLeavesTheStore)
{
    put(QStringLiteral("climb.JPG"), withDate(1, QByteArrayLiteral("../../../. PWNPWNPW\0")));
    put(QStringLiteral("zeros.JPG"), withDate(2, QByteArray("II*\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20)));
    put(QStringLiteral("climb.MIF"), [&] {
        CameraImage index = shotAt(3, MakerNoteLayout::Extended2, FileKind::MovieIndex);
        index.rawTagValues.insert(0x9003, QByteArrayLiteral("../../../. PWNPWNPW\0"));
        return index;
    }());
    putMovie(QStringLiteral("climb.MOV"));
    put(QStringLiteral("good.JPG"), shotAt(4));

    for (const bool isMove : {false, true}) {
        SCOPED_TRACE(isMove ? "move" : "copy");
        const auto outcome = batch(isMove);
        ASSERT_TRUE(std::holds_alternative<qint64>(outcome)) << qPrintable(std::get<QString>(outcome));
        EXPECT_EQ(std::get<qint64>(outcome), isMove ? 0 : 1) << "the good still arrived in the first run";
        EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(4)});
        EXPECT_TRUE(strayFiles().isEmpty()) << qPrintable(strayFiles().join(u','));
        EXPECT_TRUE(QFileInfo::exists(source(QStringLiteral("climb.JPG"))));
        EXPECT_TRUE(QFileInfo::exists(source(QStringLiteral("climb.MOV"))));
    }
}

TEST_F(HostileCard, AFifoOrADeviceNamedLikeAPictureIsSkippedWithoutWaiting)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(source(QStringLiteral("X.JPG"))).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(source(QStringLiteral("Y.MIF"))).constData(), 0600), 0);
    put(QStringLiteral("good.JPG"), shotAt(1));
    ::alarm(60); // a reader that waits on the FIFO would hang the suite for good
    const auto outcome = batch(true);
    ::alarm(0);
    ASSERT_TRUE(std::holds_alternative<qint64>(outcome)) << qPrintable(std::get<QString>(outcome));
    EXPECT_EQ(std::get<qint64>(outcome), 1);
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(1)});
    EXPECT_FALSE(ExifOperator().getExifData(source(QStringLiteral("X.JPG"))).has_value());
}

TEST_F(HostileCard, ALinkOnTheCardIsNoPictureInEitherEditionAndMode)
{
    const QString outside = m_dir.filePath(QStringLiteral("outside.JPG"));
    ASSERT_TRUE(testsupport::writeCameraFile(outside, shotAt(1)));
    ASSERT_TRUE(QFile::link(outside, source(QStringLiteral("link.JPG"))));
    for (const bool isMove : {false, true}) {
        const auto outcome = batch(isMove);
        ASSERT_TRUE(std::holds_alternative<qint64>(outcome));
        EXPECT_EQ(std::get<qint64>(outcome), 0);
        BasicWatchFolderOperator basic;
        basic.copyImage(m_source, m_settings, isMove);
        EXPECT_EQ(basic.operationCounter(), 0);
        EXPECT_TRUE(filesBelow(m_destination).isEmpty());
        EXPECT_TRUE(QFileInfo(source(QStringLiteral("link.JPG"))).isSymLink());
    }
}

TEST_F(HostileCard, AHistoryThatCannotBeReadEndsTheBatchAndImportsNothing)
{
    set(SettingsKey::activateAvoidMultipleImportCheck);
    put(QStringLiteral("a.JPG"), shotAt(1));
    {
        // Held exclusively by another program for longer than the job waits.
        FMDatabase holder(m_database);
        ASSERT_TRUE(holder.open());
        ASSERT_TRUE(holder.executeUpdate(QStringLiteral("begin exclusive;")));
        const auto locked = batch(false);
        ASSERT_TRUE(std::holds_alternative<QString>(locked));
        EXPECT_TRUE(std::get<QString>(locked).contains(m_database)) << qPrintable(std::get<QString>(locked));
        EXPECT_TRUE(std::get<QString>(locked).contains(QStringLiteral("locked")))
            << qPrintable(std::get<QString>(locked));
    }
    EXPECT_TRUE(filesBelow(m_destination).isEmpty());

    QFile damaged(m_database);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(8192, '\x5a'));
    damaged.close();
    const auto broken = batch(true);
    ASSERT_TRUE(std::holds_alternative<QString>(broken));
    EXPECT_TRUE(std::get<QString>(broken).contains(QStringLiteral("not a database")))
        << qPrintable(std::get<QString>(broken));
    EXPECT_TRUE(filesBelow(m_destination).isEmpty());
    EXPECT_EQ(filesBelow(m_source), QStringList{QStringLiteral("a.JPG")});
}

TEST_F(HostileCard, AMoviePairWhoseMovieAlreadyArrivedIsFinishedByTheNextImport)
{
    set(SettingsKey::activateAvoidMultipleImportCheck);
    put(QStringLiteral("M1.MIF"), shotAt(1, MakerNoteLayout::Extended2, FileKind::MovieIndex));
    putMovie(QStringLiteral("M1.MOV"));
    const QString movieName = satoFolder + QStringLiteral("/2024-05-14 103201_Mov");
    // An earlier import brought the movie over and was cut off before the index.
    ASSERT_TRUE(QDir().mkpath(destination(satoFolder)));
    ASSERT_TRUE(
        QFile::copy(source(QStringLiteral("M1.MOV")), destination(movieName + QStringLiteral(".MOV"))));

    const auto outcome = batch(true);
    ASSERT_TRUE(std::holds_alternative<qint64>(outcome)) << qPrintable(std::get<QString>(outcome));
    EXPECT_EQ(std::get<qint64>(outcome), 1);
    EXPECT_EQ(filesBelow(m_destination),
              QStringList({movieName + QStringLiteral(".MIF"), movieName + QStringLiteral(".MOV")}));
    EXPECT_TRUE(filesBelow(m_source).isEmpty());
    EXPECT_EQ(historyRows().size(), 1u);

    // A different movie under that name is no finished pair: the batch says so, and nothing leaves.
    put(QStringLiteral("M2.MIF"), shotAt(2, MakerNoteLayout::Extended2, FileKind::MovieIndex));
    putMovie(QStringLiteral("M2.MOV"));
    QFile other(destination(satoFolder + QStringLiteral("/2024-05-14 103202_Mov.MOV")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("another movie");
    other.close();
    EXPECT_TRUE(std::holds_alternative<QString>(batch(true)));
    EXPECT_EQ(filesBelow(m_source), QStringList({QStringLiteral("M2.MIF"), QStringLiteral("M2.MOV")}));
}

TEST_F(HostileCard, ARelativeDestinationIsRefusedBeforeAnythingIsWritten)
{
    put(QStringLiteral("a.JPG"), shotAt(1));
    set(SettingsKey::destinationFolderPath, QStringLiteral("relative/pictures"));
    const QString before = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    const auto outcome = batch(true);
    QDir::setCurrent(before);
    ASSERT_TRUE(std::holds_alternative<QString>(outcome));
    EXPECT_TRUE(std::get<QString>(outcome).contains(QStringLiteral("not an absolute path")));
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("relative"))));
    EXPECT_EQ(filesBelow(m_source), QStringList{QStringLiteral("a.JPG")});
}

TEST_F(HostileCard, ANameTakenByAnotherImportMeanwhileIsDecidedAgain)
{
    // Stands in for the job: the first name is taken before the copy is settled; the second look
    // finds the next free name.
    struct Namer : CopyAheadPipeline::Delegate
    {
        QString second;
        QStringList arrivedAs;
        int decisions = 0;
        TargetChoice decideTarget(const TransferEntry&, const TargetChoice&) override
        {
            ++decisions;
            return {second, std::nullopt};
        }
        void arrived(const TransferEntry&, const StoredFile& stored) override { arrivedAs << stored.path; }
        void unfinished(const TransferEntry&) override { ADD_FAILURE() << "the still is whole"; }
    } namer;
    put(QStringLiteral("a.JPG"), shotAt(1));
    ASSERT_TRUE(QDir().mkpath(m_destination));
    namer.second = destination(QStringLiteral("b(2).JPG"));
    CopyAheadPipeline pipeline(namer);
    TransferEntry entry{source(QStringLiteral("a.JPG")), false, {}, {}, m_destination, m_destination};
    pipeline.stage(entry, {destination(QStringLiteral("b.JPG")), std::nullopt},
                   FileSystem::CopyChecks{{}, true});
    QFile taken(destination(QStringLiteral("b.JPG")));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    pipeline.settle();
    EXPECT_EQ(namer.decisions, 1);
    EXPECT_EQ(namer.arrivedAs, QStringList{namer.second});
    EXPECT_EQ(contentOf(namer.second), contentOf(source(QStringLiteral("a.JPG"))));
}

TEST(Logger, ControlCharactersFromPicturesCannotSplitALine)
{
    EXPECT_EQ(Logger::oneLine(QStringLiteral("SATO\nHANAKO\r\x7f")),
              QStringLiteral("SATO\\x0aHANAKO\\x0d\\x7f"));
    EXPECT_EQ(Logger::oneLine(QStringLiteral("山田 太郎")), QStringLiteral("山田 太郎"));
}
