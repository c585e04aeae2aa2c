#include "camerafiles/CameraFileWriter.h"
#include "tests/system/MakerNoteCipher.h"
#include "tests/system/TiffWalk.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testsupport {
// Names the layout in test names and failure messages.
inline void PrintTo(MakerNoteLayout layout, std::ostream* out)
{
    *out << (layout == MakerNoteLayout::Legacy     ? "Legacy"
             : layout == MakerNoteLayout::Extended ? "Extended"
                                                   : "Extended2");
}
} // namespace testsupport

using testsupport::CameraImage;
using testsupport::MakerNoteLayout;

namespace {

constexpr quint16 tagImageDescription = 0x010E;
constexpr quint16 tagMake = 0x010F;
constexpr quint16 tagModel = 0x0110;
constexpr quint16 tagSoftware = 0x0131;
constexpr quint16 tagDateTime = 0x0132;
constexpr quint16 tagDateTimeOriginal = 0x9003;
constexpr quint16 tagMakerNote = 0x927C;
constexpr quint16 tagsTheCameraReaderReads[] = {
    tagImageDescription, tagMake, tagModel, tagSoftware, tagDateTime, tagDateTimeOriginal, tagMakerNote};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The key as the reader builds it from the file: serial bytes and the shot's year, month, day and hour.
QByteArray keyFromFile(const tiffwalk::Exif& exif)
{
    const QByteArray note = exif.tags[tagMakerNote].value;
    const QByteArray date = exif.tags[tagDateTimeOriginal].value;
    return note.mid(2, 8) + date.mid(2, 2) + date.mid(5, 2) + date.mid(8, 2) + date.mid(11, 2);
}

QByteArray textField(const QString& text, int width)
{
    QByteArray bytes = text.toUtf8().left(width);
    return bytes.append(width - bytes.size(), '\0');
}

std::string layoutName(const testing::TestParamInfo<MakerNoteLayout>& info)
{
    switch (info.param) {
    case MakerNoteLayout::Legacy:
        return "Legacy";
    case MakerNoteLayout::Extended:
        return "Extended";
    case MakerNoteLayout::Extended2:
        return "Extended2";
    }
    return "Unknown";
}

class CameraFileWriterLayout : public testing::TestWithParam<MakerNoteLayout>
{
};

INSTANTIATE_TEST_SUITE_P(AllLayouts, CameraFileWriterLayout,
                         testing::Values(MakerNoteLayout::Legacy, MakerNoteLayout::Extended,
                                         MakerNoteLayout::Extended2),
                         layoutName);

} // namespace

TEST(CameraFileWriter, ImageKeyJoinsSerialWithYearMonthDayAndHourDigits)
{
    CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Extended2);
    image.serial = "K4400123";
    image.dateTimeOriginal = QDateTime(QDate(2019, 12, 31), QTime(23, 59, 58));
    EXPECT_EQ(testsupport::imageKey(image), QByteArray("K440012319123123"));

    // A patch over the serial bytes changes the key, because the reader takes them from the file.
    image.makerNotePatches.append({2, "ZZ"});
    EXPECT_EQ(testsupport::imageKey(image), QByteArray("ZZ40012319123123"));
}

TEST_P(CameraFileWriterLayout, WritesTheCameraTagsAfterATiffHeaderAtByteTwelve)
{
    const CameraImage image = testsupport::defaultCameraImage(GetParam());
    const QByteArray file = testsupport::buildCameraFile(image);
    const bool little = GetParam() == MakerNoteLayout::Extended2;

    EXPECT_EQ(file.mid(12, 2), little ? QByteArray("II") : QByteArray("MM"));
    const auto exif = tiffwalk::readExif(file);
    ASSERT_TRUE(exif);
    EXPECT_EQ(exif->tiffHeader, 12);
    EXPECT_EQ(exif->tags[tagImageDescription].value, QByteArray("KORVA DENTAL DIGITAL CAMERA\0", 28));
    EXPECT_EQ(exif->tags[tagMake].value, QByteArray("KORVA INC.\0\0", 12));
    // Padded with spaces to 19 characters, so the reader's 19-character read trims to the model.
    EXPECT_EQ(exif->tags[tagModel].value,
              (image.model + QString(19 - image.model.size(), u' ')).toLatin1() + '\0');
    EXPECT_EQ(exif->tags[tagModel].value.size(), 20);
    EXPECT_EQ(exif->tags[tagSoftware].value, image.software.toLatin1() + '\0');
    EXPECT_EQ(exif->tags[tagDateTime].value, QByteArray("2024:05:14 10:32:07\0", 20));
    EXPECT_EQ(exif->tags[tagDateTimeOriginal].value, QByteArray("2024:05:14 10:32:07\0", 20));
    EXPECT_EQ(exif->tags[tagMakerNote].type, 7);
    EXPECT_EQ(exif->tags[tagMakerNote].count, quint32(testsupport::layoutMakerNoteLength(GetParam())));
    EXPECT_TRUE(file.endsWith("\xFF\xD9"));
}

TEST_P(CameraFileWriterLayout, ByteScanFromByteNineteenMeetsEveryTagAtItsEntry)
{
    CameraImage image = testsupport::defaultCameraImage(GetParam());
    const bool little = GetParam() == MakerNoteLayout::Extended2;
    // Data before IFD0 pushes the value offsets through 0x01xx, where an entry's offset can hold a later
    // tag's byte pair (0x010F, 0x0110, ...) or disarm the scan right before an entry; the writer must
    // steer around both.
    for (int length = 0; length < 400; ++length) {
        image.bytesBeforeIfd0 = QByteArray(length, 'x');
        const QByteArray file = testsupport::buildCameraFile(image);
        const auto exif = tiffwalk::readExif(file);
        ASSERT_TRUE(exif);
        for (const quint16 tag : tagsTheCameraReaderReads)
            EXPECT_EQ(tiffwalk::scanForTag(file, tag, little), 12 + exif->tags[tag].entry)
                << "tag " << std::hex << tag << " behind " << std::dec << length << " bytes";
    }
}

TEST_P(CameraFileWriterLayout, ProtectedRegionsDecryptToTheFieldsSetAndTheRestStaysPlain)
{
    CameraImage image = testsupport::defaultCameraImage(GetParam());
    image.serial = "SN000042";
    image.encryptionType = 0;
    image.owner = QStringLiteral("HIGASHI DENTAL OFFICE");
    image.shootingMode = 0xFE;
    image.customMode = 0x03;
    image.flipDirection = 0x02;
    image.drawingFlag = 0x01;
    image.drawingFlag2 = 0x01;
    image.magnificationU = 0x14;
    image.totalCount = QStringLiteral("012C");
    image.workingDistance = QStringLiteral("1E");
    image.patientInformationID = QStringLiteral("BLOCK-ID");
    image.patientInformationName = QStringLiteral("BLOCK NAME");
    image.managementData = QStringLiteral("MGMT");
    image.patientID = QStringLiteral("ID-AT-1030");
    image.patientNameI = QStringLiteral("山田^太郎^");
    image.operatorInfoFlags[20] = 0x77;
    image.patientExtraInfo = QByteArray(256, 'p');
    image.operatorExtraInfo = "operator";
    image.makerNotePatches = {{40, "PLAIN"}, {140, "GAP"}, {180, "FREE"}, {2740, "LATE"}};
    const int length = testsupport::layoutMakerNoteLength(GetParam());

    const auto exif = tiffwalk::readExif(testsupport::buildCameraFile(image));
    ASSERT_TRUE(exif);
    const QByteArray stored = exif->tags[tagMakerNote].value;
    ASSERT_EQ(stored.size(), length);
    const QByteArray key = keyFromFile(*exif);
    EXPECT_EQ(key, testsupport::imageKey(image));
    EXPECT_EQ(key, QByteArray("SN00004224051410"));

    QByteArray plain = stored;
    for (const auto& [begin, end] :
         {std::pair{96, 128}, {144, 176}, {288, 448}, {496, 1024}, {1024, 2048}, {2048, 3072}}) {
        if (end <= length)
            plain = makernotecipher::decryptRange(plain, begin, end, key);
    }
    EXPECT_EQ(plain, testsupport::makerNotePlaintext(image));

    // Bytes 0-95 and the unprotected gaps are stored as they are.
    EXPECT_EQ(stored.mid(2, 8), QByteArray("SN000042"));
    EXPECT_EQ(quint8(stored[10]), 0);
    EXPECT_EQ(stored.mid(40, 5), QByteArray("PLAIN"));
    EXPECT_EQ(stored.mid(140, 3), QByteArray("GAP"));
    EXPECT_EQ(stored.mid(180, 4), QByteArray("FREE"));
    EXPECT_NE(stored.mid(96, 16), plain.mid(96, 16)) << "region 96-111 left unencrypted";

    EXPECT_EQ(quint8(plain[101]), 0xFE);
    EXPECT_EQ(quint8(plain[116]), 0x02);
    EXPECT_EQ(quint8(plain[150]), 0x01);
    EXPECT_EQ(quint8(plain[160]), 0x14);
    EXPECT_EQ(plain.mid(162, 6), QByteArray("012C1E"));
    EXPECT_EQ(plain.mid(500, 524), textField(QStringLiteral("MGMT"), 524));
    const int blockID = GetParam() == MakerNoteLayout::Extended2 ? 2576 : 300;
    const int blockName = GetParam() == MakerNoteLayout::Extended2 ? 2596 : 320;
    EXPECT_EQ(plain.mid(blockID, 20), textField(QStringLiteral("BLOCK-ID"), 20));
    EXPECT_EQ(plain.mid(blockName, 120), textField(QStringLiteral("BLOCK NAME"), 120));
    if (GetParam() == MakerNoteLayout::Extended2) {
        EXPECT_EQ(stored.mid(11, 20), QByteArray("HIGASHI DENTAL OFFIC")) << "owner is cut to its 20 bytes";
        EXPECT_EQ(quint8(plain[99]), 0x03);
        EXPECT_EQ(quint8(plain[151]), 0x01);
        EXPECT_EQ(plain.mid(2064, 256), QByteArray(256, 'p'));
        EXPECT_EQ(plain.mid(2320, 256), textField(QStringLiteral("operator"), 256));
        EXPECT_EQ(plain.mid(2740, 4), QByteArray("LATE"));
    }
    if (GetParam() != MakerNoteLayout::Legacy) {
        EXPECT_EQ(plain.mid(1030, 20), textField(QStringLiteral("ID-AT-1030"), 20));
        EXPECT_EQ(plain.mid(1118, 196), textField(QStringLiteral("山田^太郎^"), 196));
        EXPECT_EQ(quint8(plain[2047]), 0x77);
    }
}

TEST(CameraFileWriter, EncryptionKeyOverrideEncryptsUnderThatKeyInstead)
{
    CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Legacy);
    image.encryptionKey = QByteArray("0123456789abcdef");
    const QByteArray stored = testsupport::makerNoteStored(image);
    EXPECT_EQ(makernotecipher::decrypt(stored.mid(96, 16), *image.encryptionKey),
              testsupport::makerNotePlaintext(image).mid(96, 16));
}

TEST(CameraFileWriter, TargetFileSizeIsReachedExactlyWithAPictureNotPadding)
{
    for (const qint64 size : {3'000'000LL, 250'000LL}) {
        CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Extended2);
        image.targetFileSize = size;
        testsupport::CameraFileMap map;
        const QByteArray file = testsupport::buildCameraFile(image, &map);
        EXPECT_EQ(file.size(), size);
        EXPECT_GT(double(file.size() - map.pictureBody), 0.9 * double(size)) << "mostly padding";
        EXPECT_TRUE(tiffwalk::readExif(file));
        EXPECT_TRUE(file.endsWith("\xFF\xD9"));
    }
}

TEST(CameraFileWriter, TruncationCutsTheFileWhereAsked)
{
    CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Extended);
    const QByteArray whole = testsupport::buildCameraFile(image);
    image.truncateAt = 2000;
    const QByteArray cut = testsupport::buildCameraFile(image);
    EXPECT_EQ(cut, whole.left(2000));
}

TEST(CameraFileWriter, WrittenFileHoldsExactlyTheBuiltBytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CameraImage large = testsupport::defaultCameraImage(MakerNoteLayout::Legacy);
    large.targetFileSize = 400'000;
    CameraImage cut =
        testsupport::defaultCameraImage(MakerNoteLayout::Extended2, testsupport::FileKind::MovieIndex);
    cut.truncateAt = 3000;
    cut.filePatches = {{12, "II"}};
    for (const CameraImage& image : {large, cut}) {
        const QString path = dir.filePath(QStringLiteral("DCIM/100ORVIS/ORVS0001.JPG"));
        ASSERT_TRUE(testsupport::writeCameraFile(path, image));
        EXPECT_EQ(readFile(path), testsupport::buildCameraFile(image));
    }
    EXPECT_FALSE(testsupport::writeCameraFile(dir.filePath(QStringLiteral("DCIM")), large))
        << "a folder is in the way";
}

TEST(CameraFileWriter, JfifFirstPutsAnApp0SegmentBeforeTheExif)
{
    CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Legacy);
    image.jfifFirst = true;
    testsupport::CameraFileMap map;
    const QByteArray file = testsupport::buildCameraFile(image, &map);
    EXPECT_EQ(file.mid(2, 2), QByteArray("\xFF\xE0"));
    EXPECT_EQ(file.mid(6, 5), QByteArray("JFIF\0", 5));
    EXPECT_NE(file.mid(12, 2), QByteArray("MM"));
    const auto exif = tiffwalk::readExif(file);
    ASSERT_TRUE(exif);
    EXPECT_EQ(exif->tiffHeader, 30);
    EXPECT_EQ(map.tiffHeader, 30);
}

TEST_P(CameraFileWriterLayout, EarlyEntryIsMetByTheByteScanWhileIfdWalkersSeeTheRealTag)
{
    CameraImage image = testsupport::defaultCameraImage(GetParam());
    const bool little = GetParam() == MakerNoteLayout::Extended2;
    image.earlyEntries = {{tagMake, QByteArray("ACME CORP.\0\0", 12)}};
    testsupport::CameraFileMap map;
    const QByteArray file = testsupport::buildCameraFile(image, &map);

    const auto exif = tiffwalk::readExif(file);
    ASSERT_TRUE(exif);
    EXPECT_EQ(exif->tags[tagMake].value, QByteArray("KORVA INC.\0\0", 12));

    const qint64 decoy = tiffwalk::scanForTag(file, tagMake, little);
    ASSERT_EQ(map.earlyEntries.size(), 1);
    EXPECT_EQ(decoy, map.earlyEntries[0]);
    EXPECT_LT(decoy, 12 + exif->tags[tagMake].entry);
    const quint32 offset = tiffwalk::u32(file, decoy + 8, little);
    EXPECT_EQ(file.mid(12 + offset, 12), QByteArray("ACME CORP.\0\0", 12));
    for (const quint16 tag : tagsTheCameraReaderReads) {
        if (tag != tagMake) {
            EXPECT_EQ(tiffwalk::scanForTag(file, tag, little), 12 + exif->tags[tag].entry) << std::hex << tag;
        }
    }

    // Raw bytes before IFD0 that hold only the pair: the scan stops there too.
    CameraImage raw = testsupport::defaultCameraImage(GetParam());
    raw.bytesBeforeIfd0 = little ? QByteArray("\x7C\x92") : QByteArray("\x92\x7C");
    testsupport::CameraFileMap rawMap;
    const QByteArray rawFile = testsupport::buildCameraFile(raw, &rawMap);
    EXPECT_LT(tiffwalk::scanForTag(rawFile, tagMakerNote, little), rawMap.entries[tagMakerNote]);
}

TEST(CameraFileWriter, ByteOrderOverrideWritesTheWholeTiffInThatOrder)
{
    CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Extended2);
    image.byteOrder = testsupport::ByteOrder::BigEndian;
    const QByteArray file = testsupport::buildCameraFile(image);
    EXPECT_EQ(file.mid(12, 2), QByteArray("MM"));
    const auto exif = tiffwalk::readExif(file);
    ASSERT_TRUE(exif);
    EXPECT_EQ(exif->tags[tagMakerNote].count, 3072u);
    EXPECT_EQ(tiffwalk::scanForTag(file, tagMakerNote, false), 12 + exif->tags[tagMakerNote].entry);
}
