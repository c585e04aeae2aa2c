#pragma once

#include <QByteArray>
#include <QString>

// JSON text for the command line's one-object-per-line output, written directly: faster than
// QJsonDocument and keeps fields in the order given.
namespace JsonText {

// The text as a quoted JSON string in UTF-8; quotes, backslashes and control characters escaped.
inline QByteArray quoted(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray json;
    json.reserve(utf8.size() + 2);
    json += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            json += "\\u00";
            json += hex[byte >> 4];
            json += hex[byte & 0x0f];
        } else {
            json += c;
        }
    }
    json += '"';
    return json;
}

} // namespace JsonText
