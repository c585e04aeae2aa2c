#pragma once

#include "metadata/ExtendedMakerNoteEntity.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The metadata of one image as the camera wrote it: EXIF texts, the maker note, the decrypted
// shooting codes (two lowercase hexadecimal digits each) and the patient. Made by a reader and owned
// by the caller. Text fields are absent until a reader sets them.
struct ExifEntity
{
    std::uint64_t fileSize = 0; // nobody sets it; the transfer log prints it

    std::optional<QString> software;
    std::optional<QString> fileDateTime;
    std::optional<QString> imageDescription;
    std::optional<QString> maker;
    std::optional<QString> model;
    std::optional<QString> makerNote;         // the 1024-byte block as 2048 lowercase hex digits
    std::optional<QString> extendedMakerNote; // the second maker-note read as hex digits
    QByteArray extendedMakerNoteData;         // the second maker-note read (2048 or 3072 bytes)
    std::optional<ExtendedMakerNoteEntity> extendedMakerNoteEntity;
    QByteArray encryptKey; // the image's 16-byte AES key

    std::optional<QString> userTagVersion;
    std::optional<QString> majorUserTagVersion; // version record only
    std::optional<QString> minorUserTagVersion; // version record only
    std::optional<QString> productNumber;
    std::optional<QString> productNumberString; // the camera serial
    std::optional<QString> dateTimeOriginal;
    std::optional<QString> shootingMode;
    std::optional<QString> additionalInformation;
    std::optional<QString> drawFlag;
    std::optional<QString> patientID;
    std::optional<QString> patientName;
    // The camera stored a patient name that is not valid UTF-8: patientName stays absent, and the
    // picture is filed under the ID alone.
    bool patientNameUndecodable = false;
    std::optional<QString> encryptionType; // version record only
    std::optional<QString> owner;
    std::optional<QString> identifier;
    std::optional<QString> timeZone;
    std::optional<QString> summerTime;

    bool operator==(const ExifEntity&) const = default;
};
