#include "app/TrevaselCommon.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

// Sets the process time zone for one test (a fixed POSIX rule needs no zone database).
class TimeZoneScope
{
public:
    explicit TimeZoneScope(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_saved = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope()
    {
        if (m_saved)
            setenv("TZ", m_saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    std::optional<std::string> m_saved;
};

TEST(DatabaseDatetime, FourteenDigitTextConvertsToALocalDateAndBackUnchanged)
{
    for (const QString& text : {QStringLiteral("20240229235959"), QStringLiteral("19991231000000"),
                                QStringLiteral("20380119031408")}) {
        const std::optional<QDateTime> date = TrevaselCommon::stringToDate(text);
        ASSERT_TRUE(date.has_value()) << text.toStdString();
        EXPECT_EQ(TrevaselCommon::dateToString(*date), text);
    }
    const std::optional<QDateTime> leapDay = TrevaselCommon::stringToDate(QStringLiteral("20240229235959"));
    ASSERT_TRUE(leapDay.has_value());
    EXPECT_EQ(leapDay->toLocalTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59), Qt::LocalTime));
}

TEST(DatabaseDatetime, TextsAreReadAndWrittenInLocalTime)
{
    const TimeZoneScope tokyo("JST-9");
    const QDateTime midnightUtc(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);

    EXPECT_EQ(TrevaselCommon::dateToString(midnightUtc), "20240101090000");
    const std::optional<QDateTime> parsed = TrevaselCommon::stringToDate(QStringLiteral("20240101090000"));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->toMSecsSinceEpoch(), midnightUtc.toMSecsSinceEpoch());
}

TEST(DatabaseDatetime, TextsThatAreNotExactlyFourteenDigitsOfARealTimeGiveNoDate)
{
    for (const char* text : {"2024-02-29 23:59:59", "2024-02-2923595", "2024-02-29235959", "2024022923595",
                             "202402292359590", "20240230120000", "20241301000000", "20240101250000",
                             "-0240101000000", " 20240101000000", "", "yyyyMMddHHmmss"}) {
        EXPECT_FALSE(TrevaselCommon::stringToDate(QString::fromLatin1(text)).has_value()) << text;
    }
}

TEST(IsDigit, OnlyANonEmptyRunOfTheDigitsZeroToNineIsDigits)
{
    EXPECT_TRUE(TrevaselCommon::isDigit(QStringLiteral("0")));
    EXPECT_TRUE(TrevaselCommon::isDigit(QStringLiteral("000123")));
    EXPECT_FALSE(TrevaselCommon::isDigit(QString()));
    EXPECT_FALSE(TrevaselCommon::isDigit(QStringLiteral("")));
    EXPECT_FALSE(TrevaselCommon::isDigit(QStringLiteral("12a")));
    EXPECT_FALSE(TrevaselCommon::isDigit(QStringLiteral("-12")));
    EXPECT_FALSE(TrevaselCommon::isDigit(QStringLiteral("+12")));
    EXPECT_FALSE(TrevaselCommon::isDigit(QStringLiteral(" 12")));
    EXPECT_FALSE(TrevaselCommon::isDigit(QStringLiteral("1.5")));
    EXPECT_FALSE(TrevaselCommon::isDigit(QString::fromUtf8("１２"))); // full-width digits
}

} // namespace
