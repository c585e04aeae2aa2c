#include "app/SettingsValue.h"
#include "app/SettingsSnapshot.h"

#include <QByteArray>
#include <QDateTime>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace SettingsValue;

TEST(SettingsValue, BooleanIsTrueForIntegerOneYesTextOneAndFalseWhenAbsent)
{
    for (const QVariant& yes : {QVariant(qint64(1)), QVariant(true), QVariant("1"), QVariant("YES"),
                                QVariant("true"), QVariant("  +0007"), QVariant(0.5), QVariant(qint64(-1))})
        EXPECT_TRUE(boolValue(yes)) << yes.toString().toStdString();
    for (const QVariant& no : {QVariant(qint64(0)), QVariant(false), QVariant("0"), QVariant("NO"),
                               QVariant(""), QVariant("-000"), QVariant("abc"), QVariant("+"), QVariant(0.0),
                               QVariant(QByteArray("1")), QVariant(QDateTime::currentDateTime())})
        EXPECT_FALSE(boolValue(no)) << no.toString().toStdString();
    EXPECT_FALSE(boolValue(QVariantMap(), "absent"));
}

TEST(SettingsValue, IntegerReadsTheLeadingNumberOfTextTruncatesRealsAndSaturates)
{
    constexpr int max = std::numeric_limits<int>::max();
    constexpr int min = std::numeric_limits<int>::min();
    const QList<QPair<const char16_t*, int>> texts{
        {u"10", 10},          {u" \t\n-42abc", -42}, {u"+7", 7},           {u"12 34", 12},
        {u"abc", 0},          {u"- 5", 0},           {u"0x1F", 0},         {u"", 0},
        {u"2147483647", max}, {u"-2147483648", min}, {u"2147483648", max}, {u"-99999999999999999999", min},
    };
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(intFromText(text), expected) << QString::fromUtf16(text).toStdString();

    EXPECT_EQ(intValue(QVariant(3.9)), 3);
    EXPECT_EQ(intValue(QVariant(-3.9)), -3);
    EXPECT_EQ(intValue(QVariant(true)), 1);
    EXPECT_EQ(intValue(QVariant(qint64(5000000000))), max);
    EXPECT_EQ(intValue(QVariant(-1e300)), min);
    EXPECT_EQ(intValue(QVariant(std::nan(""))), 0);
    // The settings window stores "zero padding length string" as text, the migration as an integer.
    EXPECT_EQ(intValue(QVariant(QStringLiteral("10"))), intValue(QVariant(qint64(10))));
}

TEST(SettingsValue, RealReadsOnlyALeadingDecimalNumber)
{
    const QList<QPair<const char16_t*, double>> texts{
        {u"86400", 86400.0},
        {u"  -.5", -0.5},
        {u"2.5e3 seconds", 2500.0},
        {u"5.", 5.0},
        {u"7e", 7.0},
        {u"0001.25E+2", 125.0},
        {u"abc", 0.0},
        {u".", 0.0},
        {u"inf", 0.0},
        {u"nan", 0.0},
        {u"0x10", 0.0},
        {u"1e400", HUGE_VAL},
        {u"-1e400", -HUGE_VAL},
        {u"00001e400", HUGE_VAL},
        {u"1e-400", 0.0},
    };
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(doubleFromText(text), expected) << QString::fromUtf16(text).toStdString();

    EXPECT_EQ(doubleValue(QVariant(qint64(60))), 60.0);
    EXPECT_EQ(doubleValue(QVariant(true)), 1.0);
    EXPECT_EQ(doubleValue(QVariant(QByteArray("5"))), 0.0);
    EXPECT_FLOAT_EQ(floatValue(QVariant(QStringLiteral("0.3"))), 0.3f);
}

TEST(SettingsValue, TextGivesNumbersAsTheirText)
{
    EXPECT_EQ(stringValue(QVariant(qint64(-3))), "-3");
    EXPECT_EQ(stringValue(QVariant(86400.0)), "86400");
    EXPECT_EQ(stringValue(QVariant(0.1)), "0.1");
    EXPECT_EQ(stringValue(QVariant(true)), "1");
    EXPECT_EQ(stringValue(QVariant(QStringLiteral("10"))), "10");
    EXPECT_TRUE(stringValue(QVariant(QByteArray("10"))).isEmpty());
    EXPECT_TRUE(stringValue(QVariantMap(), "absent").isEmpty());
}

// Unlike every other switch, the copy check is on when the file does not say otherwise.
TEST(SettingsSnapshot, CopyCheckIsOnUnlessTheFileTurnsItOff)
{
    EXPECT_TRUE(SettingsSnapshot::fromDictionary({}).verifyCopies);
    EXPECT_TRUE(SettingsSnapshot::fromDictionary({}, Edition::Basic).verifyCopies);
    EXPECT_TRUE(SettingsSnapshot::fromDictionary({{"verify copies", QStringLiteral("YES")}}).verifyCopies);
    for (const QVariant& off : {QVariant(false), QVariant(qint64(0)), QVariant(QStringLiteral("0"))})
        EXPECT_FALSE(SettingsSnapshot::fromDictionary({{"verify copies", off}}).verifyCopies)
            << off.toString().toStdString();
}

} // namespace
