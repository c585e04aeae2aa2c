#pragma once

#include "metadata/ExifOperator.h"
#include "metadata/ImageBytes.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>

// Finds the camera's tags by a raw scan of the search window and reads their values; shared by the
// readers of both editions.
struct TagSource
{
    static constexpr std::uint64_t entrySize = 12;

    ImageBytes& bytes;
    std::uint64_t window; // the tag search never looks past this many bytes
    bool bigEndian;

    static std::uint32_t readUInt32(std::span<const std::uint8_t> from, std::uint64_t at, bool bigEndian)
    {
        const std::uint32_t b0 = from[at], b1 = from[at + 1], b2 = from[at + 2], b3 = from[at + 3];
        return bigEndian ? (b0 << 24 | b1 << 16 | b2 << 8 | b3) : (b3 << 24 | b2 << 16 | b1 << 8 | b0);
    }

    // Index of the tag's entry. Most files keep their IFDs in the first kilobytes, so the search
    // looks there first and widens only when it found nothing; the first match in a head is the
    // first match in the whole window, because the scan only looks forward.
    std::optional<std::uint64_t> findEntry(std::uint16_t tag) const
    {
        constexpr std::uint64_t firstHead = 16 * 1024;
        const auto high = static_cast<std::uint8_t>(tag >> 8);
        const auto low = static_cast<std::uint8_t>(tag & 0xff);
        const std::uint8_t first = bigEndian ? high : low;
        const std::uint8_t second = bigEndian ? low : high;
        for (std::uint64_t length = std::min(window, firstHead);; length = std::min(window, length * 8)) {
            const auto head = bytes.head(length);
            const std::int64_t index =
                ExifOperator::getTagIndex(head, ExifOperator::searchStart, first, second);
            if (index >= 0)
                return static_cast<std::uint64_t>(index);
            if (head.size() < length || length >= window)
                return std::nullopt;
        }
    }

    // The value of the tag read with a fixed length; nothing when the tag is missing, its entry is
    // not wholly inside the window or the value runs past the end of the file.
    std::optional<QByteArray> fixed(std::uint16_t tag, std::uint64_t length) const
    {
        const auto index = findEntry(tag);
        if (!index || *index + entrySize > window)
            return std::nullopt;
        return ExifOperator::getTagData(bytes, bytes.head(*index + entrySize), *index, length, bigEndian);
    }

    // The value of the tag read with the count stored in its entry.
    std::optional<QByteArray> counted(std::uint16_t tag) const
    {
        const auto index = findEntry(tag);
        if (!index || *index + entrySize > window)
            return std::nullopt;
        return ExifOperator::getCountedTagData(bytes, bytes.head(*index + entrySize), *index, bigEndian);
    }
};

// The tags the camera's readers look for.
namespace CameraTag {
constexpr std::uint16_t imageDescription = 0x010E;
constexpr std::uint16_t make = 0x010F;
constexpr std::uint16_t model = 0x0110;
constexpr std::uint16_t software = 0x0131;
constexpr std::uint16_t dateTime = 0x0132;
constexpr std::uint16_t dateTimeOriginal = 0x9003;
constexpr std::uint16_t makerNote = 0x927C;
} // namespace CameraTag
