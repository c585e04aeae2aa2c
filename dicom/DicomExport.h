#pragma once

#include "metadata/ExifEntity.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What became of one still: the file written and its SOP Instance UID, or why none was written.
struct DicomResult
{
    bool ok = false;
    QString path;
    QString sopInstanceUid;
    QString error;
    // The failure lay with the folder or the disk, not the picture: the same export may work later.
    bool retry = false;
};

// Wraps a camera still into a DICOM VL Photographic Image, the camera's JPEG bytes as they are (its
// APPn segments, which carry the EXIF and the encrypted patient data, left out). The UIDs are derived
// from the patient, the day, the camera and the picture's bytes, so that exporting a still again
// gives the same file under the same name.
class DicomExport
{
public:
    // A still larger than this is no camera's picture and gets no file (it would be read whole).
    static constexpr qint64 kMaxStillBytes = 64 * 1024 * 1024;

    // Writes <dicomFolder>/<patient id>/<yyyy-MM-dd>/<SOP Instance UID>.dcm, whole or not at all.
    static DicomResult exportStill(const QString& stillPath, const ExifEntity& record,
                                   const QString& dicomFolder);

    // The JPEG stream without its APP0 to APP15 segments; nothing when the stream is malformed (no
    // SOI, a segment that runs past the end, no scan or no EOI after it). why says what was wrong.
    static std::optional<QByteArray> stripAppSegments(const QByteArray& jpeg, QString* why = nullptr);

    // "2.25." and the decimal of the XXH3-128 hash of text.
    static QString uidFromText(const QByteArray& text);
};
