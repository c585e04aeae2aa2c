#include "platform/TextNumber.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace TextNumber {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype skipSpace(QStringView text, qsizetype i)
{
    while (i < text.size() && text[i].isSpace())
        ++i;
    return i;
}

} // namespace

bool boolFromText(QStringView text)
{
    qsizetype i = skipSpace(text, 0);
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    while (i < text.size() && text[i] == u'0')
        ++i;
    if (i >= text.size())
        return false;
    const QChar c = text[i];
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
}

int intFromText(QStringView text)
{
    qsizetype i = skipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate as a negative number so INT_MIN itself fits; stop growing once past the int range.
    qint64 value = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
        if (value > -limit)
            value = value * 10 - (text[i].unicode() - u'0');
    }
    return saturatedInt(negative ? value : -value);
}

double doubleFromText(QStringView text)
{
    qsizetype i = skipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Only a plain decimal number is taken ("inf", "nan" and hexadecimal are not numbers here), so the
    // prefix is scanned by hand and only then handed to the parser.
    std::string number;
    qsizetype significantIntegerDigits = 0;
    bool anyDigit = false;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
        if (significantIntegerDigits > 0 || text[i] != u'0')
            ++significantIntegerDigits;
        number.push_back(static_cast<char>(text[i].unicode()));
        anyDigit = true;
    }
    if (i < text.size() && text[i] == u'.') {
        number.push_back('.');
        for (++i; i < text.size() && isAsciiDigit(text[i]); ++i) {
            number.push_back(static_cast<char>(text[i].unicode()));
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0.0;
    qint64 exponent = 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
            negativeExponent = text[j] == u'-';
            ++j;
        }
        if (j < text.size() && isAsciiDigit(text[j])) {
            number.push_back('e');
            if (negativeExponent)
                number.push_back('-');
            for (; j < text.size() && isAsciiDigit(text[j]); ++j) {
                number.push_back(static_cast<char>(text[j].unicode()));
                if (exponent < 100000)
                    exponent = exponent * 10 + (text[j].unicode() - u'0');
            }
            if (negativeExponent)
                exponent = -exponent;
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value untouched on range errors; tell overflow from underflow by the
        // magnitude of the number's decimal exponent.
        value = significantIntegerDigits + exponent > 0 ? HUGE_VAL : 0.0;
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

int saturatedInt(qint64 value)
{
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

} // namespace TextNumber
