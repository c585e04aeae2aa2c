#include "metadata/ExifOperator.h"
#include "metadata/FBEncryptorAES.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

namespace {

QByteArray fromHex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

// Bytes that are not all zero and differ block by block.
QByteArray sampleBytes(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xff);
    return bytes;
}

const QByteArray key = fromHex("000102030405060708090a0b0c0d0e0f");

QByteArray encryptEcb(const QByteArray& plain, const QByteArray& withKey)
{
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    QByteArray cipher(plain.size() + 16, '\0');
    int written = 0;
    EVP_EncryptInit_ex(context, EVP_aes_128_ecb(), nullptr,
                       reinterpret_cast<const unsigned char*>(withKey.constData()), nullptr);
    EVP_CIPHER_CTX_set_padding(context, 0);
    EVP_EncryptUpdate(context, reinterpret_cast<unsigned char*>(cipher.data()), &written,
                      reinterpret_cast<const unsigned char*>(plain.constData()),
                      static_cast<int>(plain.size()));
    EVP_CIPHER_CTX_free(context);
    cipher.resize(written);
    return cipher;
}

} // namespace

TEST(FBEncryptorAES, DecryptsTheStandardAes128TestVector)
{
    const auto plain = FBEncryptorAES::decryptData(fromHex("69c4e0d86a7b0430d8cdb78070b4c55a"), key);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->toHex(), QByteArray("00112233445566778899aabbccddeeff"));
}

TEST(FBEncryptorAES, PadsAShortKeyWithZerosAndCutsALongOne)
{
    const QByteArray cipher = sampleBytes(32);
    const auto withShortKey = FBEncryptorAES::decryptData(cipher, fromHex("0102"));
    const auto withPaddedKey =
        FBEncryptorAES::decryptData(cipher, fromHex("01020000000000000000000000000000"));
    const auto withLongKey = FBEncryptorAES::decryptData(cipher, key + fromHex("ffff"));
    ASSERT_TRUE(withShortKey && withPaddedKey && withLongKey);
    EXPECT_EQ(*withShortKey, *withPaddedKey);
    EXPECT_EQ(*withLongKey, *FBEncryptorAES::decryptData(cipher, key));
}

TEST(FBEncryptorAES, RefusesALengthThatIsNotWholeBlocks)
{
    unsigned long status = 0;
    EXPECT_FALSE(FBEncryptorAES::decryptData(sampleBytes(17), key, {}, &status));
    EXPECT_NE(status, 0u);
}

TEST(MakerNoteDecryption, KeyJoinsTheSerialWithTheShotsYearMonthDayAndHour)
{
    QByteArray makerNote(1024, '\0');
    makerNote.replace(2, 8, "SN123456");
    EXPECT_EQ(ExifOperator::makeEncryptKey(makerNote, "2024:05:06 17:20:30\0"),
              QByteArray("SN12345624050617"));
}

TEST(MakerNoteDecryption, OverlappingRegionsGiveTheSamePlaintext)
{
    const QByteArray bytes = sampleBytes(1024);
    const auto alone = ExifOperator::getDecryptBlockData(bytes, 96, 16, key);
    const auto wider = ExifOperator::getDecryptBlockData(bytes, 96, 32, key);
    ASSERT_TRUE(alone && wider);
    EXPECT_EQ(*alone, wider->first(16));
}

TEST(MakerNoteDecryption, RegionOfPartialBlocksGivesNothingAndLeavesTheDestination)
{
    QByteArray destination("untouched");
    EXPECT_FALSE(ExifOperator::getDecryptBlockData(sampleBytes(1024), 96, 20, key, &destination));
    EXPECT_EQ(destination, QByteArray("untouched"));
    // A region that runs past the bytes is refused too, rather than read out of bounds.
    EXPECT_FALSE(ExifOperator::getDecryptBlockData(sampleBytes(100), 96, 16, key, &destination));
}

TEST(MakerNoteDecryption, FieldExtractorsTakeTheirBytesFromThePlaintext)
{
    // Region 288-447 holding the ID "A-17" at 300 and, after it, a name with bytes past its end.
    QByteArray plain(160, '\0');
    plain[3] = 'M';
    plain.replace(12, 4, "A-17");
    plain.replace(32, 9, "x^y\0\xff\xfe^z\0");
    QByteArray makerNote(512, '\0');
    makerNote.replace(288, 160, encryptEcb(plain, key));
    makerNote[96 + 5] = 0; // stays cipher text; its plaintext byte is whatever AES makes of it

    EXPECT_EQ(ExifOperator::getDecryptDataString(makerNote, 288, 160, key, 3), QStringLiteral("M"));
    EXPECT_EQ(ExifOperator::getDecryptData(makerNote, 288, 160, key, 12, 20), QStringLiteral("A-17"));
    EXPECT_EQ(ExifOperator::getDecryptData(makerNote, 288, 160, key, 15), QStringLiteral("37"));
    EXPECT_EQ(ExifOperator::getDecryptData(makerNote, 288, 160, key, 40), QStringLiteral("00"));
    // Bytes that are not UTF-8 inside the field leave it absent, even after a zero byte.
    EXPECT_FALSE(ExifOperator::getDecryptData(makerNote, 288, 160, key, 32, 120));
    EXPECT_FALSE(ExifOperator::getDecryptData(makerNote, 288, 160, key, 150, 20))
        << "sub-range past the region";
}

TEST(PatientNameOrder, ThreeComponentsInEveryOrder)
{
    const QString name = QStringLiteral("x^y^z");
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("00")), QStringLiteral("x z y"));
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("01")), QStringLiteral("y z x"));
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("02")), QStringLiteral("x y z"));
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("03")), QStringLiteral("y x z"));
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("04")), QStringLiteral("x y"));
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("05")), QStringLiteral("y x"));
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("ff")), name);
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("FF")), name);
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("06")), QString());
    EXPECT_EQ(ExifOperator::formattingPatientName(name, QStringLiteral("0")), QString());
}

TEST(PatientNameOrder, MissingComponentGivesEmptyNameAndEmptyComponentKeepsItsPlace)
{
    EXPECT_EQ(ExifOperator::formattingPatientName(QStringLiteral("x^y"), QStringLiteral("02")), QString());
    EXPECT_EQ(ExifOperator::formattingPatientName(QStringLiteral("x^y"), QStringLiteral("05")),
              QStringLiteral("y x"));
    EXPECT_EQ(ExifOperator::formattingPatientName(QStringLiteral("x^^z"), QStringLiteral("02")),
              QStringLiteral("x  z"));
    EXPECT_EQ(ExifOperator::formattingPatientName(QStringLiteral("x^y^z^w"), QStringLiteral("04")),
              QStringLiteral("x y"));
    EXPECT_EQ(ExifOperator::formattingPatientName(QString(), QStringLiteral("ff")), QString());
    EXPECT_EQ(ExifOperator::formattingPatientName(QStringLiteral("山田^太郎^"), QStringLiteral("04")),
              QStringLiteral("山田 太郎"));
}

TEST(ExtraInformation, AllZeroRegionIsEmptyAndAnyOtherIsBase64WithTwoZeroBytes)
{
    EXPECT_TRUE(ExifOperator::checkOnlyTerminator(QByteArrayView()));
    EXPECT_EQ(ExifOperator::extraInformationText(QByteArray(256, '\0')), QString());

    QByteArray region(256, '\0');
    region[255] = 'A';
    const QString text = ExifOperator::extraInformationText(region);
    ASSERT_EQ(text.size(), 344);
    EXPECT_FALSE(text.contains(QLatin1Char('=')));
    EXPECT_EQ(QByteArray::fromBase64(text.toLatin1()), region + QByteArray(2, '\0'));
}
