#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

// The text forms in which the readers hand on the camera's bytes.
namespace ByteText {

// Lowercase hexadecimal digits, two per byte ("0a1b...").
QString hexDigits(QByteArrayView bytes);
// One byte as two lowercase hexadecimal digits ("00" to "ff").
QString hex2(std::uint8_t byte);
// One byte as unsigned decimal text ("0" to "255").
QString decimal(std::uint8_t byte);
// Each byte as one character (Latin-1); zero bytes stay in the text. The camera writes ASCII here.
QString characters(QByteArrayView bytes);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);
// The bytes as UTF-8 text kept whole, zero bytes included; nothing when not valid UTF-8.
std::optional<QString> utf8(QByteArrayView bytes);
// The bytes as UTF-8 text cut before the first U+0000; nothing when not valid UTF-8.
std::optional<QString> utf8UpToNul(QByteArrayView bytes);
// The bytes as UTF-8 text with every U+0000 removed; nothing when not valid UTF-8.
std::optional<QString> utf8WithoutNul(QByteArrayView bytes);

// A text of ASCII hexadecimal digits as unsigned decimal text ("012C" gives "300"). Leading white
// space and a "0x" prefix are skipped and the digits end at the first other character; a text
// with no digit gives the empty text.
QString hexTextToDecimal(const QString& text);

} // namespace ByteText
