// Value formatting, template filling and escaping, below the level of a whole record.
#include "export/BaseExportXmlOperator.h"

#include <gtest/gtest.h>

#include <optional>

using Op = BaseExportXmlOperator;

TEST(ExportXmlFormatting, EmptyOrAbsentTextIsEmptyWhateverTheFlags)
{
    for (const std::optional<QString>& text : {std::optional<QString>(), std::optional<QString>(QString())}) {
        EXPECT_EQ(Op::formattingOutputString(text), "");
        EXPECT_EQ(Op::formattingOutputStringHex(text, true), "");
        EXPECT_EQ(Op::formattingOutputStringDecimal(text, true), "");
        EXPECT_EQ(Op::formattingOutputString(text, true, true), "");
    }
}

TEST(ExportXmlFormatting, HexPutsThePrefixBeforeTheTextUnchanged)
{
    EXPECT_EQ(Op::formattingOutputStringHex(QStringLiteral("1f"), true), "0x1f");
    EXPECT_EQ(Op::formattingOutputStringHex(QStringLiteral(" 0a"), true), "0x 0a");
    EXPECT_EQ(Op::formattingOutputStringHex(QStringLiteral(" 0a"), false), " 0a");
    EXPECT_EQ(Op::formattingOutputString(QStringLiteral(" 007 ")), " 007 ");
}

TEST(ExportXmlFormatting, DecimalReadsTheLeadingNumberAfterBlanks)
{
    const std::pair<const char*, const char*> cases[] = {
        {"42", "42"}, {"  42abc", "42"}, {"\t\n-17", "-17"}, {"+5", "5"}, {"007", "7"},
        {"abc", "0"}, {" ", "0"},        {"- 5", "0"},       {"1f", "1"}, {"3.9", "3"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Op::formattingOutputStringDecimal(QString::fromUtf8(text), true), expected) << text;
    EXPECT_EQ(Op::formattingOutputString(QStringLiteral(" 255x"), true, true), "0x255");
}

TEST(ExportXmlFormatting, DecimalSaturatesAtTheSigned32BitRange)
{
    const std::pair<const char*, const char*> cases[] = {
        {"2147483647", "2147483647"},
        {"2147483648", "2147483647"},
        {"-2147483648", "-2147483648"},
        {"-2147483649", "-2147483648"},
        {"99999999999999999999999", "2147483647"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Op::formattingOutputStringDecimal(QString::fromUtf8(text), true), expected) << text;
}

TEST(ExportXmlFilling, PlaceholdersTakeArgumentsInOrderAndDoublePercentIsOnePercent)
{
    EXPECT_EQ(Op::fillTemplate(u"a%@b%@c%%", {"1", "2"}), "a1b2c%");
    // "%%@" is a percent sign followed by "@", not a placeholder.
    EXPECT_EQ(Op::fillTemplate(u"%%@%@", {"x"}), "%@x");
    EXPECT_EQ(Op::fillTemplate(u"no placeholder", {}), "no placeholder");
}

TEST(ExportXmlFilling, ArgumentsAreInsertedAsTextNeverReadAsFormats)
{
    EXPECT_EQ(Op::fillTemplate(u"<a>%@</a><b>%@</b>", {"%@%d%%%s%n", "b"}), "<a>%@%d%%%s%n</a><b>b</b>");
}

TEST(ExportXmlFilling, SurplusArgumentsAreNotWrittenButMissingOnesGiveNothing)
{
    EXPECT_EQ(Op::fillTemplate(u"[%@]", {"a", "b", "c"}), "[a]");
    EXPECT_EQ(Op::fillTemplate(u"[%@%@%@]", {"a", "b"}), std::nullopt);
}

TEST(ExportXmlFilling, OtherDirectivesAndATrailingPercentGiveNothing)
{
    for (const char16_t* format : {u"%d", u"%s", u"%1$@", u"50%", u"%@ %", u"% @"})
        EXPECT_EQ(Op::fillTemplate(format, {"a", "b"}), std::nullopt)
            << QString::fromUtf16(format).toStdString();
}

TEST(ExportXmlEscaping, MarkupCharactersBecomeEntityReferences)
{
    EXPECT_EQ(Op::escapeXmlText(u"Tom & \"Jerry\" <O'Neil> ]]>"),
              "Tom &amp; &quot;Jerry&quot; &lt;O&apos;Neil&gt; ]]&gt;");
}

TEST(ExportXmlEscaping, CharactersXmlForbidsAreDroppedAndAllowedOnesKept)
{
    const QString forbidden = QString(QChar(0x0000)) + QChar(0x0001) + QChar(0x0008) + QChar(0x000B) +
                              QChar(0x000C) + QChar(0x001F) + QChar(0xDC00) + QChar(0xD800) + QChar(0xFFFE) +
                              QChar(0xFFFF);
    EXPECT_EQ(Op::escapeXmlText(QStringLiteral("A") + forbidden + QStringLiteral("B")), "AB");
    // A low surrogate before a high one pairs with nothing; neither does a high one followed by a
    // non-surrogate or at the very end.
    EXPECT_EQ(Op::escapeXmlText(QStringLiteral("x") + QChar(0xDBFF) + QStringLiteral("y") + QChar(0xD83D)),
              "xy");

    const QString allowed = QStringLiteral("\t\n") + QChar(0x007F) + QChar(0x0085) + QChar(0xFFFD) +
                            QStringLiteral("山") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(Op::escapeXmlText(allowed), allowed);
    // A raw carriage return would be read back as a line feed.
    EXPECT_EQ(Op::escapeXmlText(u"a\r\nb"), "a&#13;\nb");
}
