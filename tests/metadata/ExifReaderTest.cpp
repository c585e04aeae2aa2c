// The reader against files made by the camera-file writer, generation by generation.
#include "camerafiles/CameraFileWriter.h"
#include "metadata/BasicExifOperator.h"
#include "metadata/CameraModelCheck.h"
#include "metadata/ExifOperator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::CameraImage;
using testsupport::MakerNoteLayout;

namespace {

class ExifReader : public ::testing::Test
{
protected:
    QString write(const CameraImage& image, const QString& name = QStringLiteral("ORVS0001.JPG"))
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(testsupport::writeCameraFile(path, image)) << qPrintable(path);
        return path;
    }

    std::optional<ExifEntity> read(const CameraImage& image,
                                   const QString& name = QStringLiteral("ORVS0001.JPG"))
    {
        return ExifOperator().getExifData(write(image, name));
    }

    static CameraImage image(MakerNoteLayout layout) { return testsupport::defaultCameraImage(layout); }

    QTemporaryDir m_dir;
};

QString hexOf(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

TEST_F(ExifReader, LegacyStillGivesTheBaseRecordWithoutExtendedEntity)
{
    CameraImage legacy = image(MakerNoteLayout::Legacy);
    legacy.shootingMode = 0x21;
    legacy.flipDirection = 0x02;
    legacy.drawingFlag = 0x01;
    const auto record = read(legacy);
    ASSERT_TRUE(record);

    EXPECT_EQ(record->imageDescription, QStringLiteral("KORVA DENTAL DIGITAL CAMERA"));
    EXPECT_EQ(record->maker->size(), 11);
    EXPECT_EQ(record->model->size(), 19);
    EXPECT_TRUE(CameraModelCheck::checkValidImageData(*record));
    EXPECT_EQ(record->dateTimeOriginal,
              legacy.dateTimeOriginal.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")));
    EXPECT_EQ(record->fileDateTime, legacy.dateTime.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")));
    EXPECT_EQ(record->software, legacy.software);
    EXPECT_EQ(record->productNumberString, QString::fromLatin1(legacy.serial));
    EXPECT_EQ(record->productNumber, hexOf(legacy.serial));
    EXPECT_EQ(record->encryptKey, testsupport::imageKey(legacy));
    EXPECT_EQ(record->shootingMode, QStringLiteral("21"));
    EXPECT_EQ(record->additionalInformation, QStringLiteral("02"));
    EXPECT_EQ(record->drawFlag, QStringLiteral("01"));
    EXPECT_EQ(record->patientID, legacy.patientInformationID);
    EXPECT_EQ(record->patientName, legacy.patientInformationName);
    EXPECT_EQ(record->makerNote, hexOf(testsupport::makerNoteStored(legacy).first(1024)));
    EXPECT_EQ(record->extendedMakerNote->size(), 4096);
    EXPECT_EQ(record->extendedMakerNoteData.size(), 2048);
    EXPECT_FALSE(record->extendedMakerNoteEntity);
    EXPECT_FALSE(record->owner);
    // The version fields belong to the version record only.
    EXPECT_FALSE(record->majorUserTagVersion);
    EXPECT_FALSE(record->encryptionType);
}

TEST_F(ExifReader, SecondGenerationDecodesTheExtendedMakerNote)
{
    CameraImage extended = image(MakerNoteLayout::Extended);
    extended.selectedMag = 0x0A;
    extended.magnificationU = 0x14;
    extended.contrast = 0x7f;
    extended.flipDirection = 0x03;
    extended.operatorsID = QStringLiteral("OP-7");
    extended.operatorInfoFlags[20] = 0x5a;
    extended.patientInfoFlags[8] = 0x11;
    extended.managementData = QStringLiteral("management");
    const auto record = read(extended);
    ASSERT_TRUE(record && record->extendedMakerNoteEntity);
    const ExtendedMakerNoteEntity& entity = *record->extendedMakerNoteEntity;

    EXPECT_EQ(entity.majorVersion, QStringLiteral("2"));
    EXPECT_EQ(entity.minorVersion, QStringLiteral("1"));
    EXPECT_EQ(entity.serial, record->productNumberString);
    EXPECT_EQ(entity.selectedMag, QStringLiteral("0a"));
    EXPECT_EQ(entity.magnification_U, QStringLiteral("20"));
    EXPECT_EQ(entity.contrast, QStringLiteral("7f"));
    EXPECT_EQ(entity.flipDirection, record->additionalInformation);
    EXPECT_EQ(entity.flipDirection, QStringLiteral("03"));
    EXPECT_EQ(entity.operatorsID, QStringLiteral("OP-7"));
    EXPECT_EQ(entity.operatorInfoFlag_21, QStringLiteral("5a"));
    EXPECT_EQ(entity.patientInfoFlag_9, QStringLiteral("11"));
    EXPECT_EQ(entity.quorbinManagementData, QStringLiteral("management"));
    EXPECT_EQ(entity.patientSex, QString(QLatin1Char(extended.patientSex)));
    EXPECT_EQ(entity.patientInformationID, extended.patientInformationID);
    EXPECT_EQ(entity.patientID, extended.patientID);
    EXPECT_EQ(record->extendedMakerNote->size(), 4096);
    // What only version 4 has stays absent.
    for (const auto* field : {&entity.owner, &entity.identifier, &entity.timeZone, &entity.summerTime,
                              &entity.customMode, &entity.drawingFlag2, &entity.totalCount,
                              &entity.workingDistance, &entity.patientExtraInfo, &entity.operatorExtraInfo})
        EXPECT_FALSE(*field);
    EXPECT_FALSE(entity.imageSize || entity.imageQuality || entity.setupMenuInformation || entity.makerNote);
}

TEST_F(ExifReader, FourthGenerationReadsLittleEndianWithItsOwnPatientBlock)
{
    CameraImage fourth = image(MakerNoteLayout::Extended2);
    fourth.totalCount = QStringLiteral("012C");
    fourth.workingDistance = QStringLiteral("1F");
    fourth.customMode = 0x02;
    fourth.drawingFlag2 = 0x09;
    fourth.owner = QStringLiteral("Dental Clinic Kita");
    fourth.summerTime = 0x01;
    fourth.patientExtraInfo = QByteArray("extra");
    fourth.patientID = QStringLiteral("OLD-ID"); // at 1030; the one at 2576 wins
    const auto record = read(fourth);
    ASSERT_TRUE(record && record->extendedMakerNoteEntity);
    const ExtendedMakerNoteEntity& entity = *record->extendedMakerNoteEntity;

    EXPECT_EQ(record->extendedMakerNote->size(), 6144);
    EXPECT_EQ(record->owner->size(), 20);
    EXPECT_TRUE(record->owner->startsWith(QStringLiteral("Dental Clinic Kita")));
    EXPECT_EQ(record->summerTime, QStringLiteral("01"));
    EXPECT_EQ(entity.owner, record->owner);
    EXPECT_EQ(entity.totalCount, QStringLiteral("300"));
    EXPECT_EQ(entity.workingDistance, QStringLiteral("31"));
    EXPECT_EQ(entity.customMode, QStringLiteral("02"));
    EXPECT_EQ(entity.drawingFlag2, QStringLiteral("09"));
    EXPECT_EQ(record->patientID, fourth.patientInformationID);
    EXPECT_EQ(entity.patientID, fourth.patientInformationID);
    EXPECT_NE(entity.patientID, QStringLiteral("OLD-ID"));
    EXPECT_EQ(entity.operatorExtraInfo, QString()) << "an all-zero region";
    ASSERT_EQ(entity.patientExtraInfo->size(), 344);
    EXPECT_TRUE(QByteArray::fromBase64(entity.patientExtraInfo->toLatin1()).startsWith("extra"));
    EXPECT_EQ(entity.patientName, record->patientName) << "filled from the record";
}

TEST_F(ExifReader, VersionDecidesTheReaderAndTheEncryptionTypeWhereItCounts)
{
    CameraImage v20 = image(MakerNoteLayout::Legacy);
    v20.majorVersion = 2;
    v20.minorVersion = 0;
    EXPECT_TRUE(read(v20));
    EXPECT_FALSE(read(v20)->extendedMakerNoteEntity) << "2.0 takes the plain reader";
    v20.encryptionType = 1;
    EXPECT_FALSE(read(v20)) << "2.0 needs encryption type 00";

    CameraImage v21 = image(MakerNoteLayout::Extended);
    v21.encryptionType = 255;
    ASSERT_TRUE(read(v21)) << "2.1 to 3.x are read whatever the type";
    EXPECT_TRUE(read(v21)->extendedMakerNoteEntity);
    v21.majorVersion = 3;
    v21.minorVersion = 9;
    EXPECT_TRUE(read(v21));

    CameraImage v4 = image(MakerNoteLayout::Extended2);
    v4.encryptionType = 1;
    EXPECT_FALSE(read(v4));
    v4.encryptionType = 0;
    v4.majorVersion = 9;
    EXPECT_TRUE(read(v4));
}

TEST_F(ExifReader, FourthGenerationNeedsAKnownExtensionInItsOwnCase)
{
    const CameraImage fourth = image(MakerNoteLayout::Extended2);
    for (const char* name : {"a.JPG", "a.jpg", "a.jpeg", "a.JPEG", "a.jfif", "a.jpe", "a.jif", "a.jfi"})
        EXPECT_TRUE(read(fourth, QString::fromLatin1(name))) << name;
    for (const char* name : {"a.JFIF", "a.Jpg", "a.png", "a.JPG.bak", "JPG"})
        EXPECT_FALSE(read(fourth, QString::fromLatin1(name))) << name;
    // Older generations do not look at the name.
    EXPECT_TRUE(read(image(MakerNoteLayout::Legacy), QStringLiteral("a.png")));
}

TEST_F(ExifReader, MovieIndexIsReadOnlyWhileItsMovieExists)
{
    CameraImage index =
        testsupport::defaultCameraImage(MakerNoteLayout::Extended2, testsupport::FileKind::MovieIndex);
    index.patientInformationID = QStringLiteral("MOV-PATIENT");
    const QString path = write(index, QStringLiteral("ORVS0002.MIF"));
    EXPECT_FALSE(ExifOperator().getExifData(path)) << "no movie beside it";

    QFile movie(m_dir.filePath(QStringLiteral("ORVS0002.mov")));
    ASSERT_TRUE(movie.open(QIODevice::WriteOnly));
    movie.close();
    const auto record = ExifOperator().getExifData(path);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->patientID, QStringLiteral("MOV-PATIENT")) << "the index file's own metadata";

    // A lowercase index pairs with an uppercase movie too; an index without any movie does not.
    write(index, QStringLiteral("ORVS0003.mif"));
    QFile(m_dir.filePath(QStringLiteral("ORVS0003.MOV"))).open(QIODevice::WriteOnly);
    EXPECT_TRUE(ExifOperator().getExifData(m_dir.filePath(QStringLiteral("ORVS0003.mif"))));
    EXPECT_FALSE(read(index, QStringLiteral("ORVS0004.Mif")));
}

TEST_F(ExifReader, ExtendedEntityTakesTheRecordsPatientWhenItHasNone)
{
    CameraImage extended = image(MakerNoteLayout::Extended);
    extended.patientID.clear();
    auto record = read(extended);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->extendedMakerNoteEntity->patientID, extended.patientInformationID);
    EXPECT_EQ(record->extendedMakerNoteEntity->patientName, record->patientName);

    extended.patientID = QStringLiteral("OWN-ID");
    record = read(extended);
    EXPECT_EQ(record->extendedMakerNoteEntity->patientID, QStringLiteral("OWN-ID"));
    EXPECT_FALSE(record->extendedMakerNoteEntity->patientName) << "filled only together with an empty ID";
}

TEST_F(ExifReader, DisplayNameComesFromTheFirstFilledNameForm)
{
    CameraImage extended = image(MakerNoteLayout::Extended);
    extended.patientNameI.clear();
    extended.patientNameP = QStringLiteral("p1^p2^p3");
    extended.patientNameA = QStringLiteral("a1^a2^a3");
    extended.patientNameOrder = 0x05;
    EXPECT_EQ(read(extended)->patientName, QStringLiteral("p2 p1"));

    extended.patientNameP.clear();
    extended.patientNameA.clear();
    extended.patientInformationName = QStringLiteral("BLOCK NAME");
    EXPECT_EQ(read(extended)->patientName, QStringLiteral("BLOCK NAME"))
        << "no name form: the patient block's";

    extended.patientNameA = QStringLiteral("a1^a2");
    extended.patientNameOrder = 0x00;
    EXPECT_EQ(read(extended)->patientName, QString()) << "a missing component empties the name";
}

TEST_F(ExifReader, NameOrderFfShowsTheStoredNameAsIs)
{
    CameraImage extended = image(MakerNoteLayout::Extended);
    extended.patientNameI = QStringLiteral("山田^太郎^");
    extended.patientNameOrder = 0xff;
    auto record = read(extended);
    EXPECT_EQ(record->patientName, QStringLiteral("山田^太郎^"));
    EXPECT_EQ(record->extendedMakerNoteEntity->patientName_I, QStringLiteral("山田^太郎^"));

    CameraImage fourth = image(MakerNoteLayout::Extended2);
    fourth.patientNameI = QStringLiteral("山田^太郎^");
    fourth.patientNameOrder = 0xff;
    record = read(fourth);
    EXPECT_EQ(record->patientName, QStringLiteral("山田^太郎^"));
    EXPECT_EQ(record->extendedMakerNoteEntity->patientName_I, QString()) << "emptied in the entity";

    fourth.patientNameI.clear();
    EXPECT_EQ(read(fourth)->patientName, QString()) << "even an empty stored name replaces the block's";
}

TEST_F(ExifReader, TagPairInsideAnEarlierValueIsTakenAsTheEntry)
{
    CameraImage legacy = image(MakerNoteLayout::Legacy);
    legacy.earlyEntries << testsupport::EarlyEntry{0x010F, QByteArray("DECOY MAKER\0", 12)};
    const auto record = read(legacy);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->maker, QStringLiteral("DECOY MAKER"));
    EXPECT_FALSE(CameraModelCheck::checkValidImageData(*record));
}

TEST_F(ExifReader, InvalidUtf8LeavesOnlyThatFieldAbsent)
{
    CameraImage fourth = image(MakerNoteLayout::Extended2);
    fourth.makerNotePatches << testsupport::BytePatch{2596, QByteArray("\xff\xfe", 2)};
    fourth.rawTagValues.insert(0x0131, QByteArray("Firm\xc0\xaf", 6));
    const auto record = read(fourth);
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->software);
    EXPECT_TRUE(record->patientID);
    EXPECT_FALSE(record->extendedMakerNoteEntity->patientInformationName);
}

TEST_F(ExifReader, DamagedFilesGiveNoRecord)
{
    EXPECT_FALSE(ExifOperator().getExifData(m_dir.filePath(QStringLiteral("missing.JPG"))));
    EXPECT_FALSE(ExifOperator().getExifData(m_dir.path())) << "a folder";

    QFile empty(m_dir.filePath(QStringLiteral("empty.JPG")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_FALSE(ExifOperator().getExifData(empty.fileName()));

    for (const MakerNoteLayout layout :
         {MakerNoteLayout::Legacy, MakerNoteLayout::Extended, MakerNoteLayout::Extended2}) {
        CameraImage jfif = image(layout);
        jfif.jfifFirst = true;
        EXPECT_FALSE(read(jfif)) << "JFIF segment first";

        CameraImage swapped = image(layout);
        swapped.byteOrder = layout == MakerNoteLayout::Extended2 ? testsupport::ByteOrder::BigEndian
                                                                 : testsupport::ByteOrder::LittleEndian;
        EXPECT_FALSE(read(swapped)) << "the other byte order";

        CameraImage noMakerNote = image(layout);
        noMakerNote.rawTagValues.insert(0x927C, QByteArray(16, 'x'));
        EXPECT_FALSE(read(noMakerNote)) << "a maker note too short for its reads";
    }
}

TEST_F(ExifReader, TruncatedFileNeverReadsPastItsEnd)
{
    for (const MakerNoteLayout layout :
         {MakerNoteLayout::Legacy, MakerNoteLayout::Extended, MakerNoteLayout::Extended2}) {
        testsupport::CameraFileMap map;
        const QByteArray whole = testsupport::buildCameraFile(image(layout), &map);
        // Every generation reads at least 2048 maker-note bytes, the fourth 3072.
        const qint64 needed = map.makerNote + std::max(2048, testsupport::layoutMakerNoteLength(layout));
        for (qint64 cut = 0; cut <= needed + 64; cut += (cut < 64 || cut > needed - 64) ? 1 : 97) {
            auto bytes = ImageBytes::fromData(whole.left(cut));
            const auto record = ExifOperator::getExifData(bytes, QStringLiteral("cut.JPG"));
            // The maker note's second read is the last thing a record needs.
            EXPECT_EQ(record.has_value(), cut >= needed) << "cut at " << cut;
        }
    }
}

TEST_F(ExifReader, ValueOffsetPastTheEndGivesNoRecord)
{
    testsupport::CameraFileMap map;
    const CameraImage legacy = image(MakerNoteLayout::Legacy);
    testsupport::buildCameraFile(legacy, &map);
    CameraImage broken = legacy;
    broken.filePatches << testsupport::BytePatch{map.entries.value(0x0110) + 8,
                                                 QByteArray("\xff\xff\xff\xf0", 4)};
    EXPECT_FALSE(read(broken));
}

TEST_F(ExifReader, LazyReadingGivesTheSameRecordAsTheWholeFile)
{
    for (const MakerNoteLayout layout :
         {MakerNoteLayout::Legacy, MakerNoteLayout::Extended, MakerNoteLayout::Extended2}) {
        CameraImage large = image(layout);
        large.targetFileSize = 3 * 1024 * 1024;
        // Push IFD0 past the first 16 KiB so the search has to widen.
        large.bytesBeforeIfd0 = QByteArray(40 * 1024, 'p');
        const QString path = write(large, QStringLiteral("large.JPG"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        auto inMemory = ImageBytes::fromData(file.readAll());
        const auto fromMemory = ExifOperator::getExifData(inMemory, path);
        const auto fromFile = ExifOperator().getExifData(path);
        ASSERT_TRUE(fromFile);
        EXPECT_EQ(fromFile, fromMemory);
    }
}

TEST_F(ExifReader, TagsBeyondTheFirstMebibyteAreNotFound)
{
    CameraImage far = image(MakerNoteLayout::Legacy);
    far.bytesBeforeIfd0 = QByteArray(1100 * 1024, 'p');
    EXPECT_FALSE(read(far));
    // The basic edition searches the whole file.
    EXPECT_TRUE(BasicExifOperator().getExifData(write(far, QStringLiteral("far.JPG"))));
}

namespace {

QStringList capturedLog;
void captureLog(QtMsgType, const QMessageLogContext&, const QString& message)
{
    capturedLog << message;
}

} // namespace

TEST_F(ExifReader, BasicEditionReadsOnlyItsFieldsAndLogsWhatItCannotRead)
{
    const CameraImage legacy = image(MakerNoteLayout::Legacy);
    const auto record = BasicExifOperator().getExifData(write(legacy));
    ASSERT_TRUE(record);
    const auto full = ExifOperator().getExifData(write(legacy));
    EXPECT_EQ(record->patientID, full->patientID);
    EXPECT_EQ(record->patientName, full->patientName);
    EXPECT_EQ(record->shootingMode, full->shootingMode);
    EXPECT_EQ(record->makerNote, full->makerNote);
    EXPECT_EQ(record->productNumber, full->productNumber);
    EXPECT_EQ(record->encryptKey, full->encryptKey);
    EXPECT_FALSE(record->productNumberString || record->software || record->fileDateTime ||
                 record->extendedMakerNote);

    capturedLog.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    const bool readFourth =
        BasicExifOperator().getExifData(write(image(MakerNoteLayout::Extended2))).has_value();
    qInstallMessageHandler(previous);
    EXPECT_FALSE(readFourth) << "big-endian only";
    EXPECT_TRUE(capturedLog.contains(QStringLiteral("Exception is occured reading image file")));
}

TEST_F(ExifReader, EveryRefusalNamesTheTestThatFailedWithoutChangingTheResult)
{
    CameraImage refusedType = image(MakerNoteLayout::Extended2);
    refusedType.encryptionType = 1;
    // The version block is there, the second maker-note read runs past the end of the file.
    CameraImage shortMakerNote = image(MakerNoteLayout::Extended);
    testsupport::CameraFileMap map;
    testsupport::buildCameraFile(shortMakerNote, &map);
    shortMakerNote.truncateAt = map.makerNote + 1500;
    CameraImage jfif = image(MakerNoteLayout::Legacy);
    jfif.jfifFirst = true;
    CameraImage noMakerNote = image(MakerNoteLayout::Legacy);
    noMakerNote.truncateAt = 600; // the maker note's value lies past the end of the file

    const struct
    {
        CameraImage image;
        const char* name;
        NoRecordReason reason;
    } cases[] = {
        {image(MakerNoteLayout::Extended2), "a.JPG", NoRecordReason::None},
        {refusedType, "b.JPG", NoRecordReason::EncryptionRefused},
        {image(MakerNoteLayout::Extended2), "c.png", NoRecordReason::NotStillOrMovieIndex},
        {shortMakerNote, "d.JPG", NoRecordReason::Damaged},
        {jfif, "e.JPG", NoRecordReason::NotCameraPicture},
        {noMakerNote, "f.JPG", NoRecordReason::NoMakerNote},
    };
    for (const auto& c : cases) {
        const QString path = write(c.image, QString::fromLatin1(c.name));
        NoRecordReason why = NoRecordReason::Unreadable;
        const auto record = ExifOperator().getExifData(path, &why);
        EXPECT_EQ(why, c.reason) << c.name;
        EXPECT_EQ(record, ExifOperator().getExifData(path)) << c.name;
    }
    NoRecordReason why = NoRecordReason::None;
    EXPECT_FALSE(BasicExifOperator().getExifData(write(image(MakerNoteLayout::Extended2)), &why));
    EXPECT_EQ(why, NoRecordReason::NotBasicLayout);
}
