#pragma once

#include <QByteArray>
#include <QMap>

#include <optional>

// Reads a camera file's EXIF the way general EXIF tools do: find the APP1 "Exif" segment by walking the
// JPEG markers, then follow IFD0 and the Exif IFD pointer. Independent of the camera's own reader (which
// scans for tag bytes), so the writer's files are checked against the format itself.
namespace tiffwalk {

struct Tag
{
    quint16 type = 0;
    quint32 count = 0;
    quint32 valueOffset = 0; // from the TIFF header
    qint64 entry = 0;        // where the entry starts, from the TIFF header
    QByteArray value;        // count bytes (for the byte-sized types the camera uses)
};

struct Exif
{
    qint64 tiffHeader = -1; // file offset
    bool littleEndian = false;
    QMap<quint16, Tag> tags; // IFD0 and Exif IFD together
};

// Byte by byte: callers check the range first.
inline quint32 number(const QByteArray& data, qint64 at, int size, bool little)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i) {
        const auto byte = quint8(data.at(at + (little ? size - 1 - i : i)));
        value = (value << 8) | byte;
    }
    return value;
}

inline quint16 u16(const QByteArray& data, qint64 at, bool little)
{
    return quint16(number(data, at, 2, little));
}

inline quint32 u32(const QByteArray& data, qint64 at, bool little)
{
    return number(data, at, 4, little);
}

inline bool readIfd(const QByteArray& tiff, qint64 at, bool little, QMap<quint16, Tag>& tags)
{
    if (at < 0 || at + 2 > tiff.size())
        return false;
    const quint16 count = u16(tiff, at, little);
    if (at + 2 + 12 * qint64(count) + 4 > tiff.size())
        return false;
    for (quint16 i = 0; i < count; ++i) {
        const qint64 entry = at + 2 + 12 * qint64(i);
        Tag tag;
        tag.type = u16(tiff, entry + 2, little);
        tag.count = u32(tiff, entry + 4, little);
        tag.valueOffset = u32(tiff, entry + 8, little);
        tag.entry = entry;
        if (tag.count > 4 && (tag.type == 2 || tag.type == 7 || tag.type == 1)) {
            if (qint64(tag.valueOffset) + tag.count > tiff.size())
                return false;
            tag.value = tiff.mid(tag.valueOffset, tag.count);
        }
        tags[u16(tiff, entry, little)] = tag;
    }
    return true;
}

inline std::optional<Exif> readExif(const QByteArray& file)
{
    if (!file.startsWith("\xFF\xD8"))
        return std::nullopt;
    qint64 at = 2;
    while (at + 4 <= file.size() && quint8(file[at]) == 0xFF) {
        const quint8 marker = quint8(file[at + 1]);
        const qint64 length = u16(file, at + 2, false);
        if (marker == 0xDA)
            break;
        if (marker == 0xE1 && file.mid(at + 4, 6) == QByteArray("Exif\0\0", 6)) {
            Exif exif;
            exif.tiffHeader = at + 10;
            const QByteArray tiff = file.mid(exif.tiffHeader, length - 8);
            if (tiff.size() < 8)
                return std::nullopt;
            exif.littleEndian = tiff.startsWith("II");
            if (!readIfd(tiff, u32(tiff, 4, exif.littleEndian), exif.littleEndian, exif.tags))
                return std::nullopt;
            if (exif.tags.contains(0x8769) &&
                !readIfd(tiff, exif.tags[0x8769].valueOffset, exif.littleEndian, exif.tags))
                return std::nullopt;
            return exif;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

// The camera reader's tag search: the first place where the tag's two bytes stand in file order,
// scanning from byte 19 with its one-step lookahead (a mismatching byte is not re-examined).
inline qint64 scanForTag(const QByteArray& file, quint16 tag, bool little)
{
    const char first = char(little ? tag & 0xFF : tag >> 8);
    const char second = char(little ? tag >> 8 : tag & 0xFF);
    bool armed = false;
    qint64 remembered = -1;
    for (qint64 i = 19; i < std::min<qint64>(file.size(), 0x100000); ++i) {
        if (armed) {
            if (file[i] == second)
                return remembered;
            armed = false;
        } else if (file[i] == first) {
            remembered = i;
            armed = true;
        }
    }
    return -1;
}

} // namespace tiffwalk
