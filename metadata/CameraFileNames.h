#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// How the camera names its files: stills end in one of the JPEG extensions, movie index files in
// ".MIF", each case-sensitive and with at least one character before the dot; a movie index file
// stands beside its ".MOV" of the same name.
namespace CameraFileNames {

bool isStill(const QString& name);
bool isMovieIndex(const QString& name);
// The movie of a movie index path: ".MIF" or ".mif" replaced by ".MOV" or ".mov", the first that
// exists, in that order; nothing when none does.
std::optional<QString> companionMovie(const QString& indexPath);
// The bytes every whole still ends with: the JPEG end-of-image marker. A still that does not end
// with them is still being written (or was cut off).
inline QByteArray jpegEnd()
{
    return QByteArray("\xFF\xD9", 2);
}

} // namespace CameraFileNames
