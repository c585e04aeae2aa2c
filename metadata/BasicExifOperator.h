#pragma once

#include "metadata/ExifEntity.h"
#include "metadata/ImageBytes.h"
#include "metadata/NoRecordReason.h"

#include <QString>

#include <optional>

// The basic edition's reader: an earlier, smaller form of ExifOperator. It reads every file as a
// big-endian still below maker-note version 2.1, searches the whole file for the tags, fills only
// imageDescription, maker, model, dateTimeOriginal, makerNote, productNumber, encryptKey,
// shootingMode, additionalInformation, drawFlag, patientID and patientName, and has no version
// dispatch, movie index files, extended maker note or encryption-type test.
class BasicExifOperator
{
public:
    // The record of the image at path; nothing (logged) when it cannot be read. When why is given it
    // is set to the reason (None when a record was read).
    std::optional<ExifEntity> getExifData(const QString& path, NoRecordReason* why = nullptr) const;
    static std::optional<ExifEntity> readImageFile(ImageBytes& bytes);
};
