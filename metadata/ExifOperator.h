#pragma once

#include "metadata/ExifEntity.h"
#include "metadata/ImageBytes.h"
#include "metadata/NoRecordReason.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

// Reads the metadata that the camera writes into its stills and movie index files (".MIF").
//
// This is not a general EXIF parser: it relies on the camera's own layout. The TIFF header starts at
// byte 12, a tag is found by scanning the raw bytes for its two-byte number from byte 19 on, and
// values are read with the camera's fixed widths. Every offset comes from the file and is checked;
// a tag that is missing, an entry outside the search window or a value past the end of the file
// gives no record. The reader keeps no state.
class ExifOperator
{
public:
    // The tag search covers at most the first MiB of a file.
    static constexpr std::uint64_t searchWindowLimit = 0x100000;
    static constexpr std::uint64_t searchStart = 19;
    static constexpr std::uint64_t tiffHeaderOffset = 12;

    // The record of the image at path, read by its maker-note version; nothing for a file that is
    // unreadable, damaged, from another camera generation's rules, or not the camera's at all. When
    // why is given it is set to the test that failed (None when a record was read).
    std::optional<ExifEntity> getExifData(const QString& path, NoRecordReason* why = nullptr) const;
    // The same for bytes already opened; path decides the extension tests and the movie lookup.
    static std::optional<ExifEntity> getExifData(ImageBytes& bytes, const QString& path,
                                                 NoRecordReason* why = nullptr);

    // A record holding only majorUserTagVersion, minorUserTagVersion and encryptionType; an empty
    // record when bytes 12-13 are neither "II" nor "MM"; nothing when the maker note cannot be read.
    static std::optional<ExifEntity> getUserTagVersion(ImageBytes& bytes);

    static std::optional<ExifEntity> readImageFile(ImageBytes& bytes);          // big-endian, version < 2.1
    static std::optional<ExifEntity> readImageFile2(ImageBytes& bytes);         // little-endian
    static std::optional<ExifEntity> readImageFileExtended(ImageBytes& bytes);  // version 2.1 to 3.x
    static std::optional<ExifEntity> readImageFileExtended2(ImageBytes& bytes); // version 4 and above

    // Index of the first byte of the first occurrence of the pair (first, second) at or after offset,
    // or -1. A first byte that follows an armed first byte is not looked at again.
    static std::int64_t getTagIndex(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                                    std::uint8_t first, std::uint8_t second);
    // The length bytes of the value of the 12-byte entry at tagIndex of the search bytes; nothing
    // when the entry is not wholly inside them or the value runs past the end of the file.
    static std::optional<QByteArray> getTagData(ImageBytes& file, std::span<const std::uint8_t> search,
                                                std::uint64_t tagIndex, std::uint64_t length, bool bigEndian);
    // The counted value of the entry (count from entry bytes 4-7) as raw bytes; turn it into text
    // with ByteText::utf8WithoutNul.
    static std::optional<QByteArray> getCountedTagData(ImageBytes& file, std::span<const std::uint8_t> search,
                                                       std::uint64_t tagIndex, bool bigEndian);

    // --- Maker-note decryption ---

    // The image key: maker-note bytes 2-9, then DateTimeOriginal bytes 2-3, 5-6, 8-9 and 11-12
    // (year, month, day and hour digits).
    static QByteArray makeEncryptKey(QByteArrayView makerNote, QByteArrayView dateTimeOriginal);
    // The plaintext of bytes [start, start + length), also copied into decryptData when given;
    // nothing (decryptData untouched) when the length is not a multiple of 16 or the range is
    // outside the bytes.
    static std::optional<QByteArray> getDecryptBlockData(QByteArrayView bytes, qsizetype start,
                                                         qsizetype length, const QByteArray& key,
                                                         QByteArray* decryptData = nullptr);
    // The plaintext byte at dataLocation (relative to start) as two lowercase hexadecimal digits.
    static std::optional<QString> getDecryptData(QByteArrayView bytes, qsizetype start, qsizetype blockLength,
                                                 const QByteArray& key, qsizetype dataLocation);
    // The plaintext bytes [subDataLocation, + subDataLength) as UTF-8 cut before the first U+0000.
    static std::optional<QString> getDecryptData(QByteArrayView bytes, qsizetype start, qsizetype blockLength,
                                                 const QByteArray& key, qsizetype subDataLocation,
                                                 qsizetype subDataLength);
    // The plaintext byte at dataLocation as one character.
    static std::optional<QString> getDecryptDataString(QByteArrayView bytes, qsizetype start,
                                                       qsizetype blockLength, const QByteArray& key,
                                                       qsizetype dataLocation);
    // True when there are no bytes or every byte is zero.
    static bool checkOnlyTerminator(QByteArrayView bytes);
    // The display name of a name stored as components separated by "^", by its name-order code.
    static QString formattingPatientName(const QString& name, const QString& nameOrder);
    // The text of a 256-byte extra-information plaintext: "" when it is all zeros, else the Base64 of
    // the bytes with two zero bytes appended (344 characters).
    static QString extraInformationText(QByteArrayView plaintext);

private:
    struct BaseRead
    {
        ExifEntity record;
        QByteArray plaintext; // the whole second maker-note read, decrypted once
    };
    static std::optional<BaseRead> readBase(ImageBytes& bytes, bool bigEndian);
    static void fillExtended(BaseRead& base, bool secondGeneration);
};
