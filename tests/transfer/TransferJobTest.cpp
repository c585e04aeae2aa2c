#include "QStringPrinting.h"
#include "TransferTestSupport.h"

#include "app/TrevaselCommon.h"
#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"
#include "platform/ContentHash.h"
#include "platform/FileSystem.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "transfer/CopyFailedException.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QXmlStreamReader>

#include <atomic>
#include <sys/stat.h>

using namespace transfertest;

namespace {

class FullTransfer : public TransferFixture
{
protected:
    qint64 run(bool isMove = false, TransferObserver* observer = nullptr, const QString& folder = QString())
    {
        BaseWatchFolderOperator job(m_database);
        job.setObserver(observer);
        job.copyImage(folder.isEmpty() ? m_source : folder, m_settings, isMove);
        return job.operationCounter();
    }

    // The reason of the failure that ends the run; none when it completes.
    std::optional<QString> failureOf(bool isMove = false)
    {
        try {
            run(isMove);
        } catch (const CopyFailedException& failure) {
            EXPECT_STREQ(failure.what(), "copyFailedException");
            return failure.reason();
        }
        return std::nullopt;
    }

    // Points source and destination at fresh folders, for one more case in the same test.
    void freshFolders(const QString& tag)
    {
        m_source = m_dir.filePath(QStringLiteral("card-") + tag);
        m_destination = m_dir.filePath(QStringLiteral("pictures-") + tag);
        ASSERT_TRUE(QDir().mkpath(m_source));
        set(SettingsKey::destinationFolderPath, m_destination);
    }

    // Five stills of one patient, the third of them large, written so that the folder lists them in
    // this order (the job takes entries in listing order). Returns the names in that order.
    QStringList putFiveWithALargeThird()
    {
        for (int i = 1; i <= 5; ++i) {
            QFile placeholder(source(QStringLiteral("P%1.JPG").arg(i)));
            EXPECT_TRUE(placeholder.open(QIODevice::WriteOnly));
        }
        const QStringList order = QDir(m_source).entryList(QDir::Files, QDir::Unsorted);
        for (int i = 0; i < order.size(); ++i) {
            CameraImage image = shotAt(i + 1);
            if (i == 2)
                image.targetFileSize = 400 * 1024;
            // Rewritten in place, so the folder entry and with it the listing order stay.
            QFile file(source(order.at(i)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(testsupport::buildCameraFile(image));
        }
        return order;
    }
};

QMap<QString, QString> xmlFields(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no description " << qPrintable(path);
        return {};
    }
    QXmlStreamReader reader(&file);
    QMap<QString, QString> fields;
    if (reader.readNextStartElement())
        while (reader.readNextStartElement())
            fields.insert(reader.name().toString(), reader.readElementText());
    EXPECT_FALSE(reader.hasError()) << qPrintable(reader.errorString());
    return fields;
}

ino_t inodeOf(const QString& path)
{
    struct stat info
    {
    };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_ino;
}

} // namespace

TEST_F(FullTransfer, TakesVisibleStillsWithAJpegExtensionOnly)
{
    put(QStringLiteral("a.JPG"), shotAt(1));
    put(QStringLiteral("b.jpeg"), shotAt(2));
    put(QStringLiteral(".c.JPG"), shotAt(3));
    put(QStringLiteral("d.JPG.bak"), shotAt(4));
    put(QStringLiteral("e.tif"), shotAt(5));
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(filesBelow(m_destination),
              QStringList({satoFolder + u'/' + k44Name(1),
                           satoFolder + QStringLiteral("/2024-05-14 103202_Std-C1.jpeg")}));
    EXPECT_EQ(filesBelow(m_source).size(), 5) << "a copy leaves the sources";
}

TEST_F(FullTransfer, SubFolderCountsAddUpWhileHiddenFoldersAndLinksAreNotEntered)
{
    put(QStringLiteral("x.JPG"), shotAt(1));
    put(QStringLiteral("DCIM/100/y.JPG"), shotAt(2));
    put(QStringLiteral("DCIM/100/z.JPG"), shotAt(3));
    put(QStringLiteral("DCIM/101/w.jpg"), shotAt(4));
    put(QStringLiteral(".hidden/h.JPG"), shotAt(5));
    put(QStringLiteral(".Trashes/t.JPG"), shotAt(6));
    ASSERT_TRUE(testsupport::writeCameraFile(m_dir.filePath(QStringLiteral("elsewhere/e.JPG")), shotAt(7)));
    ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("elsewhere")), source(QStringLiteral("link"))));

    EXPECT_EQ(run(), 4);
    EXPECT_EQ(filesBelow(m_destination).size(), 4);
    EXPECT_FALSE(QFileInfo::exists(destination(satoFolder + u'/' + k44Name(5))));

    // The progress estimate enters hidden folders but not ".Trashes", and counts ".JPG" only.
    EXPECT_EQ(BaseWatchFolderOperator(m_database).getTotalImageFileCount(m_source, 10), 14);
    EXPECT_EQ(run(false, nullptr, source(QStringLiteral(".Trashes"))), 0);
    EXPECT_EQ(filesBelow(m_destination).size(), 4);
}

TEST_F(FullTransfer, SkippedPicturesStayInTheSourceEvenWhenOriginalsAreDeleted)
{
    QFile noise(source(QStringLiteral("noise.JPG")));
    ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
    noise.write(QByteArray(4096, 'x'));
    noise.close();
    CameraImage cut = shotAt(1);
    cut.truncateAt = 600;
    put(QStringLiteral("cut.JPG"), cut);
    CameraImage otherCamera = shotAt(2);
    otherCamera.model = QStringLiteral("Orthavisio K-99");
    put(QStringLiteral("other.JPG"), otherCamera);
    CameraImage noPatient = shotAt(3);
    noPatient.clearPatient();
    put(QStringLiteral("nopatient.JPG"), noPatient);
    CameraImage badDate = shotAt(4);
    badDate.rawTagValues.insert(0x9003, QByteArrayLiteral("2024:13:45 10:32:04\0"));
    put(QStringLiteral("baddate.JPG"), badDate);
    put(QStringLiteral("index.MIF"), shotAt(5, MakerNoteLayout::Extended2, FileKind::MovieIndex));
    put(QStringLiteral("legacy.MIF"), shotAt(6, MakerNoteLayout::Legacy, FileKind::MovieIndex));
    const QStringList before = filesBelow(m_source);

    set(SettingsKey::deleteOriginalImage);
    set(SettingsKey::saveDaySubfolder);
    EXPECT_EQ(run(true), 0);
    EXPECT_EQ(filesBelow(m_source), before);
    EXPECT_TRUE(filesBelow(m_destination).isEmpty()) << qPrintable(filesBelow(m_destination).join(u','));

    // A date that names no time makes no file name either, day folder or not.
    set(SettingsKey::saveDaySubfolder, false);
    EXPECT_EQ(run(true), 0);
    EXPECT_EQ(filesBelow(m_source), before);
}

TEST_F(FullTransfer, PatientInformationImagesInAnyCaseAreLeftOutOrDeleted)
{
    // The reader gives modes as lower-case hexadecimal: 0xFE reads as "fe".
    CameraImage information = shotAt(1);
    information.shootingMode = 0xFE;
    put(QStringLiteral("id.JPG"), information);
    put(QStringLiteral("std.JPG"), shotAt(2));

    set(SettingsKey::dontSendPatientInformationImage);
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(2)});
    EXPECT_TRUE(QFileInfo::exists(source(QStringLiteral("id.JPG"))));

    // With originals deleted it goes; the still already imported, byte for byte, goes too: its
    // twin is safe in the store.
    set(SettingsKey::deleteOriginalImage);
    EXPECT_EQ(run(true), 0);
    EXPECT_TRUE(filesBelow(m_source).isEmpty());
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + k44Name(2)});

    put(QStringLiteral("id.JPG"), information);
    set(SettingsKey::dontSendPatientInformationImage, false);
    set(SettingsKey::deleteOriginalImage, false);
    EXPECT_EQ(run(), 1);
    EXPECT_TRUE(QFileInfo::exists(destination(satoFolder + QStringLiteral("/2024-05-14 103201_ID.JPG"))));
}

TEST_F(FullTransfer, TheSameShotFindsItselfWhileAnotherShotOfTheSameSecondIsNumbered)
{
    put(QStringLiteral("a.JPG"), shotAt(1));
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(run(), 0);
    CameraImage other = shotAt(1);
    other.brightness = 0x05;
    put(QStringLiteral("b.JPG"), other);
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(filesBelow(m_destination),
              QStringList({satoFolder + QStringLiteral("/2024-05-14 103201_Std-C1(2).JPG"),
                           satoFolder + u'/' + k44Name(1)}));
}

// Stills are copied ahead while earlier ones are still being synced, yet each is named only after
// the one before it is in place: a burst of one second is numbered without a gap or a clash, and a
// shot saved twice on the card arrives once.
TEST_F(FullTransfer, ABurstOfOneSecondIsNumberedInOrderAndAShotSavedTwiceArrivesOnce)
{
    set(SettingsKey::activateAvoidMultipleImportCheck);
    QSet<QByteArray> shots;
    for (int i = 0; i < 5; ++i) {
        CameraImage shot = shotAt(1);
        shot.brightness = static_cast<quint8>(i + 1);
        put(QStringLiteral("burst%1.JPG").arg(i), shot);
        shots.insert(contentOf(source(QStringLiteral("burst%1.JPG").arg(i))));
    }
    ASSERT_TRUE(QFile::copy(source(QStringLiteral("burst2.JPG")), source(QStringLiteral("again.JPG"))));
    ASSERT_TRUE(QFile::copy(source(QStringLiteral("burst4.JPG")), source(QStringLiteral("once-more.JPG"))));

    EXPECT_EQ(run(), 5);
    QStringList expected{satoFolder + u'/' + k44Name(1)};
    for (int index = 2; index <= 5; ++index)
        expected << satoFolder + QStringLiteral("/2024-05-14 103201_Std-C1(%1).JPG").arg(index);
    expected.sort();
    EXPECT_EQ(filesBelow(m_destination), expected)
        << "every still once, and no copy left under a hidden name";
    QSet<QByteArray> arrived;
    for (const QString& file : expected)
        arrived.insert(contentOf(destination(file)));
    EXPECT_EQ(arrived, shots);
    EXPECT_EQ(historyRows().size(), 5u);
}

// The history check of a still copied ahead also sees the rows of the stills put in place just
// before it: the name looked up is the same and the camera is the same, so it counts as imported.
TEST_F(FullTransfer, AStillCopiedAheadIsRefusedByAHistoryRowWrittenJustBeforeIt)
{
    set(SettingsKey::activateAvoidMultipleImportCheck);
    put(QStringLiteral("a.JPG"), shotAt(1));
    CameraImage otherPatient = shotAt(1);
    otherPatient.patientID = QStringLiteral("0000067890");
    put(QStringLiteral("b.JPG"), otherPatient);

    EXPECT_EQ(run(), 1);
    EXPECT_EQ(filesBelow(m_destination).size(), 1) << qPrintable(filesBelow(m_destination).join(u','));
    EXPECT_EQ(historyRows().size(), 1u);
}

TEST_F(FullTransfer, HistoryRecordsEachImportAndRefusesItAgainAfterTheCopyIsGone)
{
    set(SettingsKey::activateAvoidMultipleImportCheck);
    put(QStringLiteral("a.JPG"), shotAt(1));
    put(QStringLiteral("old/b.JPG"), shotAt(2, MakerNoteLayout::Legacy));
    const qint64 start = TrevaselCommon::getNowDatabaseDatetime().toLongLong();
    EXPECT_EQ(run(), 2);
    const qint64 end = TrevaselCommon::getNowDatabaseDatetime().toLongLong();

    const auto rows = historyRows();
    ASSERT_EQ(rows.size(), 2u);
    const ImportedFileEntity& k44 = rows[0].fileName == satoFolder + u'/' + k44Name(1) ? rows[0] : rows[1];
    const ImportedFileEntity& legacy = &k44 == &rows[0] ? rows[1] : rows[0];
    EXPECT_EQ(k44.fileName, satoFolder + u'/' + k44Name(1));
    EXPECT_EQ(k44.cameraId, QStringLiteral("K4400123"));
    EXPECT_EQ(k44.originalFileName, source(QStringLiteral("a.JPG")));
    EXPECT_EQ(k44.transferredFolder, destination(satoFolder));
    EXPECT_GE(k44.datetime, start);
    EXPECT_LE(k44.datetime, end);
    EXPECT_EQ(legacy.fileName, satoFolder + QStringLiteral("/2024-05-14 103202_Std.JPG"));
    EXPECT_EQ(legacy.cameraId.value_or(QString()), QString()) << "no extended maker note, no serial";
    EXPECT_EQ(legacy.originalFileName, source(QStringLiteral("old/b.JPG")));

    // The same name from another camera is another shot.
    ImportedFileEntity otherCamera;
    otherCamera.fileName = satoFolder + u'/' + k44Name(3);
    otherCamera.cameraId = QStringLiteral("K4499999");
    ASSERT_TRUE(ImportedFileDao(m_database).insert(otherCamera));
    put(QStringLiteral("c.JPG"), shotAt(3));
    EXPECT_EQ(run(), 1);

    ASSERT_TRUE(QDir(m_destination).removeRecursively());
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(filesBelow(m_destination).isEmpty());
    EXPECT_EQ(historyRows().size(), 4u);
    EXPECT_EQ(filesBelow(m_source).size(), 3);
}

TEST_F(FullTransfer, MoviePairsFollowDontSendMifAndDeleteOriginalImage)
{
    const QString movieName = satoFolder + QStringLiteral("/2024-05-14 103201_Mov");
    for (const bool dontSendMif : {false, true}) {
        for (const bool deleteOriginal : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << "dont send mif " << dontSendMif << ", delete original " << deleteOriginal);
            freshFolders(QStringLiteral("%1%2").arg(dontSendMif).arg(deleteOriginal));
            put(QStringLiteral("M1.MIF"), shotAt(1, MakerNoteLayout::Extended2, FileKind::MovieIndex));
            putMovie(QStringLiteral("M1.MOV"));
            set(SettingsKey::dontSendMif, dontSendMif);
            set(SettingsKey::deleteOriginalImage, deleteOriginal);

            EXPECT_EQ(run(deleteOriginal), 1);
            QStringList arrived{movieName + QStringLiteral(".MOV")};
            if (!dontSendMif)
                arrived.prepend(movieName + QStringLiteral(".MIF"));
            EXPECT_EQ(filesBelow(m_destination), arrived);
            EXPECT_EQ(contentOf(destination(movieName + QStringLiteral(".MOV"))),
                      testsupport::moviePlaceholder());
            EXPECT_EQ(filesBelow(m_source),
                      deleteOriginal ? QStringList()
                                     : QStringList({QStringLiteral("M1.MIF"), QStringLiteral("M1.MOV")}));
        }
    }
}

TEST_F(FullTransfer, MoviesGoToTheirOwnRootUnderTheIndexNameWithMovExtension)
{
    const QString movies = m_dir.filePath(QStringLiteral("movies"));
    set(SettingsKey::destinationFolderMov);
    set(SettingsKey::destinationFolderPathMov, movies);
    set(SettingsKey::exportXml);
    put(QStringLiteral("M2.MIF"), shotAt(2, MakerNoteLayout::Extended2, FileKind::MovieIndex));
    putMovie(QStringLiteral("M2.mov"));
    put(QStringLiteral("M3.MIF"), shotAt(3, MakerNoteLayout::Extended2, FileKind::MovieIndex)); // no movie
    put(QStringLiteral("s.JPG"), shotAt(4));

    EXPECT_EQ(run(), 2);
    EXPECT_EQ(filesBelow(movies), QStringList({satoFolder + QStringLiteral("/2024-05-14 103202_Mov.MIF"),
                                               satoFolder + QStringLiteral("/2024-05-14 103202_Mov.MOV")}));
    EXPECT_EQ(filesBelow(m_destination),
              QStringList({satoFolder + u'/' + k44Name(4),
                           QStringLiteral("deliver/") + satoFolder + QStringLiteral(".BIX")}));

    set(SettingsKey::destinationFolderPathMov, QString());
    put(QStringLiteral("M4.MIF"), shotAt(5, MakerNoteLayout::Extended2, FileKind::MovieIndex));
    putMovie(QStringLiteral("M4.MOV"));
    EXPECT_TRUE(failureOf().has_value()) << "an empty movie root must not put movies at the top of the disk";
}

TEST_F(FullTransfer, AMovieKeepsItsPatientFolderEvenWhenThatFolderNameHoldsMif)
{
    CameraImage index = shotAt(1, MakerNoteLayout::Extended2, FileKind::MovieIndex);
    index.setPatient({.id = QStringLiteral("ID.MIF"), .alphabeticName = QString(), .displayName = QString()});
    put(QStringLiteral("M1.MIF"), index);
    putMovie(QStringLiteral("M1.MOV"));
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(filesBelow(m_destination), QStringList({QStringLiteral("ID.MIF/2024-05-14 103201_Mov.MIF"),
                                                      QStringLiteral("ID.MIF/2024-05-14 103201_Mov.MOV")}));
}

TEST_F(FullTransfer, AMovieThatCannotArriveKeepsBothSourceFiles)
{
    const QString taken = satoFolder + QStringLiteral("/2024-05-14 103201_Mov.MOV");
    ASSERT_TRUE(QDir().mkpath(destination(satoFolder)));
    QFile other(destination(taken));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("another movie");
    other.close();
    put(QStringLiteral("M1.MIF"), shotAt(1, MakerNoteLayout::Extended2, FileKind::MovieIndex));
    putMovie(QStringLiteral("M1.MOV"));
    set(SettingsKey::deleteOriginalImage);

    for (const bool dontSendMif : {false, true}) {
        set(SettingsKey::dontSendMif, dontSendMif);
        EXPECT_TRUE(failureOf(true).has_value());
        EXPECT_EQ(filesBelow(m_source), QStringList({QStringLiteral("M1.MIF"), QStringLiteral("M1.MOV")}));
        EXPECT_EQ(filesBelow(m_destination), QStringList{taken});
        EXPECT_EQ(contentOf(destination(taken)), QByteArray("another movie"));
    }
}

TEST_F(FullTransfer, DescriptionsAreWrittenIntoDeliverPerPatientFolder)
{
    set(SettingsKey::exportXml);
    put(QStringLiteral("a.JPG"), shotAt(1));
    CameraImage smith = shotAt(2, MakerNoteLayout::Extended);
    smith.setPatient({.id = QStringLiteral("0000023456"),
                      .alphabeticName = QStringLiteral("SMITH^JOHN^"),
                      .displayName = QStringLiteral("SMITH JOHN")});
    put(QStringLiteral("b.JPG"), smith);
    EXPECT_EQ(run(), 2);

    const auto k44 = xmlFields(destination(QStringLiteral("deliver/") + satoFolder + QStringLiteral(".BIX")));
    EXPECT_EQ(k44.value(QStringLiteral("majorVersion")), "4");
    EXPECT_EQ(k44.value(QStringLiteral("serial")), "K4400123");
    EXPECT_EQ(k44.value(QStringLiteral("patientID")), "0000012345");
    EXPECT_TRUE(k44.contains(QStringLiteral("patientExtraInfo"))) << "the second generation's template";
    const auto k222 = xmlFields(destination(QStringLiteral("deliver/0000023456 SMITH JOHN.BIX")));
    EXPECT_EQ(k222.value(QStringLiteral("majorVersion")), "2");
    EXPECT_EQ(k222.value(QStringLiteral("serial")), "K2220316");
    EXPECT_FALSE(k222.contains(QStringLiteral("patientExtraInfo")));
}

TEST_F(FullTransfer, SerialAndDayFoldersHoldPicturesAndDescriptions)
{
    set(SettingsKey::exportXml);
    set(SettingsKey::saveDaySubfolder);
    set(SettingsKey::chopCameraSerialNumber);
    put(QStringLiteral("a.JPG"), shotAt(1));
    put(QStringLiteral("b.JPG"), shotAt(2, MakerNoteLayout::Legacy)); // serial from the plain maker note
    EXPECT_EQ(run(), 2);
    EXPECT_TRUE(QFileInfo::exists(
        destination(QStringLiteral("K4400123/") + satoFolder + QStringLiteral("/2024-05-14/") + k44Name(1))));
    EXPECT_TRUE(QFileInfo::exists(destination(QStringLiteral("K2200457/") + satoFolder +
                                              QStringLiteral("/2024-05-14/2024-05-14 103202_Std.JPG"))));
    const auto fields = xmlFields(
        destination(QStringLiteral("deliver/K4400123/") + satoFolder + QStringLiteral("/2024-05-14.BIX")));
    EXPECT_EQ(fields.value(QStringLiteral("serial")), "K4400123");
}

TEST_F(FullTransfer, DeliverThatIsAFileEndsTheBatchAfterThePictureArrived)
{
    set(SettingsKey::exportXml);
    set(SettingsKey::activateAvoidMultipleImportCheck);
    ASSERT_TRUE(QDir().mkpath(m_destination));
    QFile deliver(destination(QStringLiteral("deliver")));
    ASSERT_TRUE(deliver.open(QIODevice::WriteOnly));
    deliver.close();
    put(QStringLiteral("a.JPG"), shotAt(1));

    EXPECT_EQ(failureOf(), QStringLiteral("Do not create deliver folder."));
    EXPECT_EQ(filesBelow(m_destination),
              QStringList({satoFolder + u'/' + k44Name(1), QStringLiteral("deliver")}));
    EXPECT_TRUE(historyRows().empty());
}

TEST_F(FullTransfer, FailedCopyOfTheThirdPictureKeepsTheFirstTwoAndTouchesNothingElse)
{
    set(SettingsKey::activateAvoidMultipleImportCheck);
    putFiveWithALargeThird();
    const QStringList sources = filesBelow(m_source);
    std::optional<QString> reason;
    {
        const FileSizeLimit limit(256 * 1024);
        reason = failureOf();
    }
    ASSERT_TRUE(reason.has_value());
    EXPECT_TRUE(reason->contains(k44Name(3))) << qPrintable(*reason);
    // No partial file under a final name, and no temporary file either.
    EXPECT_EQ(filesBelow(m_destination),
              QStringList({satoFolder + u'/' + k44Name(1), satoFolder + u'/' + k44Name(2)}));
    QStringList recorded;
    for (const ImportedFileEntity& row : historyRows())
        recorded << row.fileName.value_or(QString());
    recorded.sort();
    EXPECT_EQ(recorded, QStringList({satoFolder + u'/' + k44Name(1), satoFolder + u'/' + k44Name(2)}));
    EXPECT_EQ(filesBelow(m_source), sources);
}

TEST_F(FullTransfer, MoveToAnotherFilesystemRemovesASourceOnlyAfterItsCopyIsComplete)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/trevasel-transfer-XXXXXX"));
    if (!other.isValid() || QStorageInfo(other.path()).device() == QStorageInfo(m_dir.path()).device())
        GTEST_SKIP() << "no second filesystem here";
    set(SettingsKey::destinationFolderPath, other.path());
    set(SettingsKey::deleteOriginalImage);
    const QStringList order = putFiveWithALargeThird();
    const QByteArray third = contentOf(source(order.at(2)));
    std::optional<QString> reason;
    {
        const FileSizeLimit limit(256 * 1024);
        reason = failureOf(true);
    }
    ASSERT_TRUE(reason.has_value());
    EXPECT_EQ(filesBelow(other.path()),
              QStringList({satoFolder + u'/' + k44Name(1), satoFolder + u'/' + k44Name(2)}));
    QStringList untouched = order.mid(2);
    untouched.sort();
    EXPECT_EQ(filesBelow(m_source), untouched);
    EXPECT_EQ(contentOf(source(order.at(2))), third);
}

namespace {

// A disk that changes what is written: every block, or only the block numbered faultyBlock.
std::atomic<int> blocksWritten{0};
std::atomic<int> faultyBlock{-1};

void flipAByte(char* data, std::size_t size)
{
    const int block = blocksWritten++;
    if (size > 100 && (faultyBlock < 0 || block == faultyBlock))
        data[100] = static_cast<char>(~data[100]);
}

struct WriteFault
{
    explicit WriteFault(int onlyBlock)
    {
        blocksWritten = 0;
        faultyBlock = onlyBlock;
        FileSystem::setWriteFaultForTesting(flipAByte);
    }
    ~WriteFault() { FileSystem::setWriteFaultForTesting(nullptr); }
};

} // namespace

// Copies are read back from the disk before they are named: one that a disk changed is written once
// more, and one that changes again fails the batch with the source kept, in copy mode and in move
// mode to another filesystem alike.
TEST_F(FullTransfer, ACopyTheDiskChangesIsWrittenAgainOrRefusedAndItsSourceStays)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/trevasel-verify-XXXXXX"));
    set(SettingsKey::activateAvoidMultipleImportCheck);
    for (const bool isMove : {false, true}) {
        SCOPED_TRACE(isMove ? "move" : "copy");
        freshFolders(isMove ? QStringLiteral("move") : QStringLiteral("copy"));
        if (isMove && other.isValid())
            set(SettingsKey::destinationFolderPath, other.path());
        const QString store = m_settings.value(QLatin1String(SettingsKey::destinationFolderPath)).toString();
        m_database = store + QStringLiteral(".db");
        ASSERT_TRUE(HistoryDatabase::createIfMissing(m_database));
        set(SettingsKey::deleteOriginalImage, isMove);
        for (int i = 1; i <= 3; ++i)
            put(QStringLiteral("P%1.JPG").arg(i), shotAt(i));
        const QStringList sources = filesBelow(m_source);

        std::optional<QString> reason;
        {
            const WriteFault everyBlock(-1);
            reason = failureOf(isMove);
        }
        ASSERT_TRUE(reason.has_value());
        EXPECT_TRUE(reason->contains(QStringLiteral("did not read back equal"))) << qPrintable(*reason);
        EXPECT_TRUE(filesBelow(store).isEmpty()) << "no copy under any name";
        EXPECT_TRUE(historyRows().empty());
        EXPECT_EQ(filesBelow(m_source), sources);

        {
            const WriteFault secondBlock(1); // the second still's first try
            EXPECT_EQ(run(isMove), 3);
        }
        const QStringList arrived = filesBelow(store);
        ASSERT_EQ(arrived.size(), 3);
        const auto hashes = ImportedFileDao(m_database).findPictureHashesSince(0);
        ASSERT_EQ(hashes.size(), 3u);
        for (const PictureHashEntity& row : hashes) {
            EXPECT_EQ(ContentHasher::ofFile(row.path)->toHex(), row.hash) << qPrintable(row.path);
            EXPECT_EQ(row.size, QFileInfo(row.path).size());
        }
        EXPECT_EQ(filesBelow(m_source).isEmpty(), isMove);
    }
}

// With "dicom export" on, each arrived still also gets its DICOM file under its patient and day; a
// still the export cannot take (no folder set) still arrives.
TEST_F(FullTransfer, AnArrivedStillGetsItsDicomFileAndAMissingFolderFailsNothing)
{
    const QString dicom = m_dir.filePath(QStringLiteral("dicom"));
    set(SettingsKey::dicomExport);
    set(SettingsKey::dicomFolderPath, dicom);
    put(QStringLiteral("a.JPG"), shotAt(1));
    EXPECT_EQ(run(), 1);
    QStringList written;
    QDirIterator it(dicom, {QStringLiteral("*.dcm")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        written << QDir(dicom).relativeFilePath(it.next());
    ASSERT_EQ(written.size(), 1);
    EXPECT_TRUE(written.first().startsWith(QStringLiteral("0000012345/2024-05-14/2.25.")))
        << qPrintable(written.first());

    set(SettingsKey::dicomFolderPath, QString());
    put(QStringLiteral("b.JPG"), shotAt(2));
    EXPECT_EQ(run(), 1);
}

TEST_F(FullTransfer, AStillItsWriterHasNotFinishedIsLeftWholeAtTheSourceAndTakenOnceItIsDone)
{
    // Moved within this filesystem, moved to another one where there is one, and copied.
    QTemporaryDir other(QStringLiteral("/dev/shm/trevasel-transfer-XXXXXX"));
    QList<std::pair<bool, QString>> cases{{true, m_dir.filePath(QStringLiteral("moved"))},
                                          {false, m_dir.filePath(QStringLiteral("copied"))}};
    if (other.isValid())
        cases.append({true, other.path()});
    set(SettingsKey::activateAvoidMultipleImportCheck);
    const QByteArray whole = testsupport::buildCameraFile(shotAt(1));
    for (const auto& [isMove, root] : cases) {
        set(SettingsKey::destinationFolderPath, root);
        set(SettingsKey::deleteOriginalImage, isMove);
        m_database = root + QStringLiteral(".db"); // a history of its own for each case
        ASSERT_TRUE(HistoryDatabase::createIfMissing(m_database));
        QFile writing(source(QStringLiteral("a.JPG")));
        ASSERT_TRUE(writing.open(QIODevice::WriteOnly));
        writing.write(whole.left(whole.size() / 2)); // the writer pauses here
        writing.flush();

        {
            BaseWatchFolderOperator job(m_database);
            RecordingObserver observer;
            job.setObserver(&observer);
            job.copyImage(m_source, m_settings, isMove);
            job.finishBatch();
            EXPECT_EQ(job.operationCounter(), 0) << qPrintable(root);
            EXPECT_EQ(job.unsettledFolders(), QStringList{m_source}) << "for a later batch";
            ASSERT_EQ(observer.skipped.size(), 1);
            EXPECT_EQ(observer.skipped.front().second, SkipReason::NotWhole);
        }
        EXPECT_TRUE(filesBelow(root).isEmpty()) << qPrintable(root);
        EXPECT_TRUE(historyRows().empty());
        EXPECT_EQ(contentOf(source(QStringLiteral("a.JPG"))), whole.left(whole.size() / 2))
            << "left as it is";

        writing.write(whole.mid(whole.size() / 2));
        writing.close();
        EXPECT_EQ(run(isMove), 1);
        EXPECT_EQ(contentOf(root + u'/' + satoFolder + u'/' + k44Name(1)), whole);
        EXPECT_EQ(QFileInfo::exists(source(QStringLiteral("a.JPG"))), !isMove);
        QFile::remove(source(QStringLiteral("a.JPG")));
    }
}

TEST_F(FullTransfer, AMovedPictureLeavesTheCardOnlyAfterItsDescriptionIsWritten)
{
    set(SettingsKey::exportXml);
    set(SettingsKey::activateAvoidMultipleImportCheck);
    set(SettingsKey::deleteOriginalImage);
    ASSERT_TRUE(QDir().mkpath(m_destination));
    QFile deliver(destination(QStringLiteral("deliver")));
    ASSERT_TRUE(deliver.open(QIODevice::WriteOnly));
    deliver.close();
    put(QStringLiteral("a.JPG"), shotAt(1));
    put(QStringLiteral("b.JPG"), shotAt(2));

    EXPECT_EQ(failureOf(true), QStringLiteral("Do not create deliver folder."));
    EXPECT_EQ(filesBelow(m_source), QStringList({QStringLiteral("a.JPG"), QStringLiteral("b.JPG")}));
    const QStringList arrived = filesBelow(m_destination);
    ASSERT_EQ(arrived.size(), 2) << qPrintable(arrived.join(u','));
    EXPECT_EQ(contentOf(destination(arrived.at(0))),
              contentOf(source(arrived.at(0).endsWith(k44Name(1)) ? QStringLiteral("a.JPG")
                                                                  : QStringLiteral("b.JPG"))));
    EXPECT_TRUE(historyRows().empty());
}

TEST_F(FullTransfer, ABatchCountsThePicturesThatArrivedBeforeItsFailure)
{
    put(QStringLiteral("first/x.JPG"), shotAt(9));
    putFiveWithALargeThird();
    BaseWatchFolderOperator job(m_database);
    ImportOutcome result;
    {
        const FileSizeLimit limit(256 * 1024);
        result = WatchFolderBatch::run(job, m_settings, {source(QStringLiteral("first")), m_source});
    }
    ASSERT_TRUE(result.failureReason.has_value());
    EXPECT_EQ(result.transferred, 3) << "one of the first folder, two of the second before its third failed";
}

TEST_F(FullTransfer, MoveWithinOneFilesystemLinksAndRemovesTheSource)
{
    put(QStringLiteral("a.JPG"), shotAt(1));
    const ino_t inode = inodeOf(source(QStringLiteral("a.JPG")));
    EXPECT_EQ(run(true), 1);
    EXPECT_FALSE(QFileInfo::exists(source(QStringLiteral("a.JPG"))));
    EXPECT_EQ(inodeOf(destination(satoFolder + u'/' + k44Name(1))), inode);
}

TEST_F(FullTransfer, CraftedPatientsAndSerialsCannotWriteOutsideTheDestination)
{
    m_destination = m_dir.filePath(QStringLiteral("deep/er/pictures"));
    set(SettingsKey::destinationFolderPath, m_destination);
    set(SettingsKey::exportXml);
    struct Craft
    {
        const char* id;
        const char* name;
        const char* serial;
    };
    const Craft crafts[] = {
        {"..", "", ".."}, {".", "", "."}, {"../../../x", "../y", "../../x"}, {"00123", "/../..", "/.."}};
    int second = 0;
    for (const Craft& craft : crafts) {
        CameraImage image = shotAt(++second);
        image.setPatient(
            {.id = QString::fromLatin1(craft.id), .displayName = QString::fromLatin1(craft.name)});
        image.serial = QByteArray(craft.serial);
        put(QStringLiteral("c%1.JPG").arg(second), image);
    }
    const auto allInside = [&] {
        for (const QString& file : filesBelow(m_dir.path()))
            EXPECT_TRUE(file.startsWith(QLatin1String("card/")) ||
                        file.startsWith(QLatin1String("deep/er/pictures/")) ||
                        file == QLatin1String("Trevasel.db"))
                << qPrintable(file);
    };

    EXPECT_EQ(run(), 4);
    allInside();
    EXPECT_TRUE(QFileInfo::exists(destination(QStringLiteral("__/") + k44Name(1))));
    set(SettingsKey::chopCameraSerialNumber);
    set(SettingsKey::saveDaySubfolder);
    EXPECT_EQ(run(), 4);
    allInside();
    EXPECT_EQ(filesBelow(m_destination).filter(QStringLiteral(".JPG")).size(), 8);
}

TEST_F(FullTransfer, EmptyDestinationRootFailsTheBatch)
{
    set(SettingsKey::destinationFolderPath, QString());
    put(QStringLiteral("a.JPG"), shotAt(1));
    EXPECT_EQ(failureOf(), QStringLiteral("The destination folder is not set."));
    EXPECT_EQ(filesBelow(m_dir.path()),
              QStringList({QStringLiteral("Trevasel.db"), QStringLiteral("card/a.JPG")}));
}

TEST_F(FullTransfer, EveryArrivalAndEverySkipIsReportedOnce)
{
    put(QStringLiteral("a.JPG"), shotAt(1));
    put(QStringLiteral("DCIM/b.JPG"), shotAt(2));
    put(QStringLiteral("M.MIF"), shotAt(3, MakerNoteLayout::Extended2, FileKind::MovieIndex));
    putMovie(QStringLiteral("M.MOV"));
    CameraImage patientInformation = shotAt(4);
    patientInformation.shootingMode = 0xFE;
    put(QStringLiteral("p.JPG"), patientInformation);
    QFile other(source(QStringLiteral("x.JPG")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("not a camera picture");
    other.close();
    set(SettingsKey::dontSendPatientInformationImage);
    set(SettingsKey::activateAvoidMultipleImportCheck);

    RecordingObserver first;
    EXPECT_EQ(run(false, &first), 3);
    ASSERT_EQ(first.arrived.size(), 6);
    EXPECT_TRUE(first.arrived.contains(source(QStringLiteral("DCIM/b.JPG"))));
    EXPECT_TRUE(first.arrived.contains(destination(satoFolder + u'/' + k44Name(2))));
    const auto reasons = [](const RecordingObserver& observer) {
        QMap<QString, SkipReason> byName;
        for (const auto& [path, why] : observer.skipped)
            byName.insert(QFileInfo(path).fileName(), why);
        return byName;
    };
    EXPECT_EQ(first.skipped.size(), 2);
    EXPECT_EQ(reasons(first).value(QStringLiteral("p.JPG")), SkipReason::PatientInformation);
    EXPECT_EQ(reasons(first).value(QStringLiteral("x.JPG")), SkipReason::NotACameraPicture);

    // Again: the three lie at their destinations already.
    RecordingObserver second;
    EXPECT_EQ(run(false, &second), 0);
    EXPECT_TRUE(second.arrived.isEmpty());
    EXPECT_EQ(second.skipped.size(), 5);
    EXPECT_EQ(reasons(second).value(QStringLiteral("a.JPG")), SkipReason::AlreadyInPlace);
    // Once more after the practice moved them away: the history knows them.
    ASSERT_TRUE(QDir(destination(satoFolder)).removeRecursively());
    RecordingObserver third;
    EXPECT_EQ(run(false, &third), 0);
    EXPECT_EQ(reasons(third).value(QStringLiteral("a.JPG")), SkipReason::AlreadyImported);
    EXPECT_EQ(reasons(third).value(QStringLiteral("M.MIF")), SkipReason::AlreadyImported);
}

namespace {

// Notes at every arrival whether the transferring marker stands.
class MarkerObserver : public RecordingObserver
{
public:
    explicit MarkerObserver(const TransferJob& job) : m_job(job) {}
    void pictureArrived(const QString& source, const QString& target) override
    {
        markerSeen << QFileInfo::exists(m_job.transferringFilePath());
        RecordingObserver::pictureArrived(source, target);
    }
    QList<bool> markerSeen;

private:
    const TransferJob& m_job;
};

} // namespace

TEST_F(FullTransfer, ACopyCutShortEarlierIsNotTheSameShotAndTheWholeOneArrivesBesideIt)
{
    put(QStringLiteral("a.JPG"), shotAt(1));
    EXPECT_EQ(run(), 1);
    const QString first = destination(satoFolder + u'/' + k44Name(1));
    const QByteArray whole = contentOf(source(QStringLiteral("a.JPG")));
    QFile cut(first);
    ASSERT_TRUE(cut.resize(whole.size() / 2)); // as an earlier program could leave it
    EXPECT_EQ(run(), 1);
    const QStringList arrived = filesBelow(m_destination);
    ASSERT_EQ(arrived.size(), 2) << qPrintable(arrived.join(u','));
    int wholeCopies = 0;
    for (const QString& name : arrived)
        wholeCopies += contentOf(destination(name)) == whole ? 1 : 0;
    EXPECT_EQ(wholeCopies, 1);
    EXPECT_EQ(contentOf(first).size(), whole.size() / 2) << "nothing in the store is replaced";
    EXPECT_EQ(run(), 0) << "and now the whole one is found in place";

    // A copy of full length whose end never came (written ahead of its data) is no whole still either.
    ASSERT_TRUE(QDir(m_destination).removeRecursively());
    EXPECT_EQ(run(), 1);
    QFile unended(first);
    ASSERT_TRUE(unended.open(QIODevice::ReadWrite));
    ASSERT_TRUE(unended.seek(whole.size() - 2));
    unended.write(QByteArray(2, '\0'));
    unended.close();
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(filesBelow(m_destination).size(), 2);
}

TEST_F(FullTransfer, APictureInPlaceWithoutItsHistoryRowGetsOneAndADifferentSourceStays)
{
    set(SettingsKey::activateAvoidMultipleImportCheck);
    put(QStringLiteral("a.JPG"), shotAt(1));
    EXPECT_EQ(run(), 1);
    // As after a kill between the picture's arrival and its row.
    ASSERT_TRUE(ImportedFileDao(m_database).deleteBeforeDatetime(99991231235959));
    ASSERT_TRUE(historyRows().empty());
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(historyRows().size(), 1u) << "the row follows";

    // In move mode a source that is not byte-equal to the copy in place stays.
    QFile changed(source(QStringLiteral("a.JPG")));
    ASSERT_TRUE(changed.open(QIODevice::ReadWrite));
    ASSERT_TRUE(changed.seek(changed.size() - 100)); // in the picture's data, not its metadata
    changed.write("x");
    changed.close();
    set(SettingsKey::activateAvoidMultipleImportCheck, false);
    EXPECT_EQ(run(true), 0);
    EXPECT_TRUE(QFileInfo::exists(source(QStringLiteral("a.JPG"))));
}

TEST_F(FullTransfer, ATreeReportedFolderByFolderIsLookedAtOncePerBatch)
{
    put(QStringLiteral("deep/a/b/c/x.JPG"), shotAt(1));
    const QStringList reported{m_source, source(QStringLiteral("deep/a/b/c")), source(QStringLiteral("deep")),
                               source(QStringLiteral("deep/a")), source(QStringLiteral("deep/a/b"))};
    BaseWatchFolderOperator first(m_database);
    EXPECT_EQ(WatchFolderBatch::run(first, m_settings, reported).transferred, 1);
    // Again: the still is found in place, once, not once for each folder above it.
    BaseWatchFolderOperator again(m_database);
    RecordingObserver observer;
    again.setObserver(&observer);
    EXPECT_EQ(WatchFolderBatch::run(again, m_settings, reported).transferred, 0);
    EXPECT_EQ(observer.skipped.size(), 1);
}

TEST_F(FullTransfer, BatchRunsEveryFolderUnderTheTransferringMarker)
{
    put(QStringLiteral("a.JPG"), shotAt(1));
    put(QStringLiteral("more/b.JPG"), shotAt(2));
    put(QStringLiteral("c.JPG"), shotAt(3));
    set(SettingsKey::deleteOriginalImage);
    set(SettingsKey::saveDaySubfolder);

    BaseWatchFolderOperator job(m_database);
    job.setTransferringMarkerFolder(m_dir.filePath(QStringLiteral("program")));
    ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("program"))));
    const QString marker = m_dir.filePath(QStringLiteral("program/$TMP"));
    EXPECT_EQ(job.transferringFilePath(), marker);
    MarkerObserver observer(job);
    job.setObserver(&observer);
    const auto result = WatchFolderBatch::run(job, m_settings, {source(QStringLiteral("more")), m_source});
    EXPECT_FALSE(result.failureReason.has_value());
    EXPECT_EQ(result.transferred, 3);
    EXPECT_EQ(observer.markerSeen, QList<bool>(3, true));
    EXPECT_FALSE(QFileInfo::exists(marker));
    EXPECT_TRUE(filesBelow(m_source).isEmpty()) << "\"delete original image\" moves";
    EXPECT_TRUE(QFileInfo::exists(destination(satoFolder + QStringLiteral("/2024-05-14/") + k44Name(2))));

    put(QStringLiteral("d.JPG"), shotAt(4));
    set(SettingsKey::destinationFolderPath, QString());
    const auto failed = WatchFolderBatch::run(job, m_settings, {m_source});
    EXPECT_EQ(failed.failureReason, QStringLiteral("The destination folder is not set."));
    EXPECT_FALSE(QFileInfo::exists(marker));
}
