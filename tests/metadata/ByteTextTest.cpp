#include "metadata/ByteText.h"

#include <gtest/gtest.h>

TEST(ByteText, Utf8IsStrictAboutMalformedSequences)
{
    EXPECT_TRUE(ByteText::isValidUtf8("plain ascii"));
    EXPECT_TRUE(ByteText::isValidUtf8("\xe5\xb1\xb1\xe7\x94\xb0")); // 山田
    EXPECT_TRUE(ByteText::isValidUtf8("\xf0\x9f\xa6\xb7"));         // a four-byte character
    EXPECT_FALSE(ByteText::isValidUtf8("\xc0\xaf"));                // overlong "/"
    EXPECT_FALSE(ByteText::isValidUtf8("\xed\xa0\x80"));            // a surrogate
    EXPECT_FALSE(ByteText::isValidUtf8("\xf4\x90\x80\x80"));        // past U+10FFFF
    EXPECT_FALSE(ByteText::isValidUtf8("\xe5\xb1"));                // cut short at the end
    EXPECT_FALSE(ByteText::isValidUtf8("\xff"));
    EXPECT_FALSE(ByteText::isValidUtf8("\x80"));
}

TEST(ByteText, TextFormsTreatZeroBytesAsTheirNamesSay)
{
    const QByteArray bytes("KORVA INC.\0", 11);
    EXPECT_EQ(ByteText::utf8(bytes)->size(), 11) << "kept whole, zero byte included";
    EXPECT_EQ(ByteText::utf8UpToNul(QByteArray("A123\0junk", 9)), QStringLiteral("A123"));
    EXPECT_EQ(ByteText::utf8WithoutNul(QByteArray("2024\0:05\0", 9)), QStringLiteral("2024:05"));
    // Bytes after the terminator still have to be UTF-8: the whole field is decoded first.
    EXPECT_FALSE(ByteText::utf8UpToNul(QByteArray("A123\0\xff", 6)));
}

TEST(ByteText, HexTextBecomesDecimal)
{
    EXPECT_EQ(ByteText::hexTextToDecimal(QStringLiteral("012C")), QStringLiteral("300"));
    EXPECT_EQ(ByteText::hexTextToDecimal(QStringLiteral("ff")), QStringLiteral("255"));
    EXPECT_EQ(ByteText::hexTextToDecimal(QStringLiteral("1G")), QStringLiteral("1"));
    EXPECT_EQ(ByteText::hexTextToDecimal(QString()), QString());
    EXPECT_EQ(ByteText::hexTextToDecimal(QStringLiteral("zz")), QString());
    EXPECT_EQ(ByteText::hexTextToDecimal(QStringLiteral("ffffffffffffffffffff")),
              QStringLiteral("18446744073709551615"));
}

TEST(ByteText, ByteFormsAreFixedWidthLowercase)
{
    EXPECT_EQ(ByteText::hex2(0x0a), QStringLiteral("0a"));
    EXPECT_EQ(ByteText::hex2(0xfe), QStringLiteral("fe"));
    EXPECT_EQ(ByteText::decimal(0x14), QStringLiteral("20"));
    EXPECT_EQ(ByteText::hexDigits(QByteArray("\x00\xAB", 2)), QStringLiteral("00ab"));
    EXPECT_EQ(ByteText::characters(QByteArray("S\0\xe9", 3)).size(), 3);
}
