#include "metadata/ByteText.h"

#include <cctype>
#include <limits>

namespace ByteText {

QString hexDigits(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex());
}

QString hex2(std::uint8_t byte)
{
    static constexpr char digits[] = "0123456789abcdef";
    const char text[2] = {digits[byte >> 4], digits[byte & 0x0f]};
    return QString::fromLatin1(text, 2);
}

QString decimal(std::uint8_t byte)
{
    return QString::number(byte);
}

QString characters(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.data(), bytes.size());
}

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const std::uint8_t lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        qsizetype length = 0;
        std::uint32_t codePoint = 0;
        std::uint32_t minimum = 0;
        if ((lead & 0xe0) == 0xc0) {
            length = 2, codePoint = lead & 0x1fu, minimum = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            length = 3, codePoint = lead & 0x0fu, minimum = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            length = 4, codePoint = lead & 0x07u, minimum = 0x10000;
        } else {
            return false;
        }
        if (n - i < length)
            return false;
        for (qsizetype k = 1; k < length; ++k) {
            if ((p[i + k] & 0xc0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (p[i + k] & 0x3fu);
        }
        if (codePoint < minimum || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
            return false;
        i += length;
    }
    return true;
}

std::optional<QString> utf8(QByteArrayView bytes)
{
    if (!isValidUtf8(bytes))
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

std::optional<QString> utf8UpToNul(QByteArrayView bytes)
{
    if (!isValidUtf8(bytes))
        return std::nullopt;
    // In valid UTF-8 a zero byte is always U+0000, so cutting the bytes cuts the text.
    const qsizetype nul = bytes.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? bytes : bytes.first(nul));
}

std::optional<QString> utf8WithoutNul(QByteArrayView bytes)
{
    if (!isValidUtf8(bytes))
        return std::nullopt;
    QString text = QString::fromUtf8(bytes);
    text.remove(QChar(u'\0'));
    return text;
}

QString hexTextToDecimal(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i + 2 < text.size() && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X') &&
        isxdigit(text.at(i + 2).toLatin1()))
        i += 2;
    std::uint64_t value = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        unsigned digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10u;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10u;
        else
            break;
        any = true;
        // The camera stores at most four digits; a longer text saturates rather than wrapping.
        value = value > (std::numeric_limits<std::uint64_t>::max() >> 4)
                    ? std::numeric_limits<std::uint64_t>::max()
                    : (value << 4) | digit;
    }
    return any ? QString::number(value) : QString();
}

} // namespace ByteText
