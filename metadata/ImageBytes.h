#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

// Bounds-checked access to the bytes of one image file. A file is read lazily: the head grows as
// the tag search needs it and values outside the head are read where they lie, so a 3 MB still
// costs a few kilobytes of I/O. Every read that leaves the file gives no value.
class ImageBytes
{
public:
    // Opens the file for reading; nothing when it cannot be opened.
    static std::optional<ImageBytes> open(const QString& path);
    // Wraps bytes already in memory (tests, the fuzzer).
    static ImageBytes fromData(QByteArray data);

    std::uint64_t size() const { return m_size; }

    // The first min(length, size) bytes, or fewer when the file could not be read that far.
    // The span stays valid until the next call of head() or read().
    std::span<const std::uint8_t> head(std::uint64_t length);

    // Bytes [offset, offset + length), or nothing when any of them lies outside the file.
    std::optional<QByteArray> read(std::uint64_t offset, std::uint64_t length);

private:
    ImageBytes() = default;

    std::unique_ptr<QFile> m_file; // null for bytes in memory
    QByteArray m_head;
    std::uint64_t m_size = 0;
};
