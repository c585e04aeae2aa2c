#pragma once

#include "history/BaseEntity.h"

#include <QString>

#include <optional>

// One row of the import history (table imported_file). A text field read from a row that holds NULL
// is absent; written, an absent text is stored as the empty text, so that the import's lookup, which
// passes the same absent value, still finds it.
class ImportedFileEntity : public BaseEntity
{
public:
    std::optional<QString> fileName;          // destination sub-folder, "/", destination file name
    std::optional<QString> cameraId;          // the camera's serial number
    qint64 datetime = 0;                      // time of the import as the number yyyyMMddHHmmss, local time
    std::optional<QString> originalFileName;  // the source file's path
    std::optional<QString> transferredFolder; // the destination folder that received the file
};
