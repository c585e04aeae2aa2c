#pragma once

#include <QString>

#include <optional>

// One row of table imported_file_hash: what an imported picture's bytes were when it reached the
// store, so that the store can be checked against it later ("trevasel-cli verify").
struct PictureHashEntity
{
    std::optional<qint64> id; // none for a row not yet stored
    QString path;             // the picture's final path in the store
    qint64 size = 0;          // in bytes
    QString hash;             // ContentHash::toHex(): 32 lowercase hexadecimal digits
    qint64 datetime = 0;      // time of the import as the number yyyyMMddHHmmss, local time
};
