#pragma once

#include "app/SettingsSnapshot.h"
#include "metadata/ExifEntity.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

// Where an imported image goes: the relative patient folder (patient ID and name, optionally
// grouped, with a day sub-folder and the camera serial in front) and a file name made of the
// shooting date and time and suffixes that say how the shot was taken. When the name is taken, a
// counter in parentheses tells the shots apart, unless the file there is the very same shot.
//
// Two generations: below maker-note version 4 the plain operations, from 4 on the "2" operations,
// which number the shooting modes differently, add a custom-mode suffix and take the flip
// information from the extended maker note.
class NamingRules
{
public:
    // Reads the metadata of a file already in a destination folder, for the same-shot test.
    using MetadataReader = std::function<std::optional<ExifEntity>(const QString& path)>;

    // The folder-safe form of a patient ID or name: "/" to "_", ":" removed, "*", "?" and "|" to
    // ".", "<" to "(", ">" to ")", '"' to "'".
    static std::optional<QString> replaceDirectoryName(const std::optional<QString>& text);
    // "$<n>000" for the patient ID read as a decimal number ("12345" gives "$12345000").
    static QString getDividedFolderName(const QString& patientID);

    static QString getShootingModeString(const std::optional<QString>& mode);
    static QString getShootingModeString2(const std::optional<QString>& mode);
    static QString getCustomModeString(const std::optional<QString>& mode,
                                       const std::optional<QString>& customMode);
    static QString getAdditionalInformationString(const std::optional<QString>& information);
    static QString getAdditionalInformationString2(const std::optional<QString>& information);
    static QString getDrawFlagString(const std::optional<QString>& flag);

    // The file name for the shot; index 2 or more adds "(index)". extension carries its dot.
    static QString getNewImageFileName(const ExifEntity& record, int index, const QString& extension);
    static QString getNewImageFileName2(const ExifEntity& record, int index, const QString& extension);

    // The free destination path in folder for the shot, or nothing when the very same shot is in
    // the folder already. extension comes without its dot; empty means "JPG".
    static std::optional<QString> getValidNewImageFileName(const QString& folder, const QString& extension,
                                                           const ExifEntity& record,
                                                           const MetadataReader& reader);
    static std::optional<QString> getValidNewImageFileName2(const QString& folder, const QString& extension,
                                                            const ExifEntity& record,
                                                            const MetadataReader& reader);
    // True when the file at path holds the same shot: equal DateTimeOriginal and maker note.
    static bool checkNewImageFileExif(const ExifEntity& record, const QString& path,
                                      const MetadataReader& reader);

    static QString nullToBlank(const std::optional<QString>& text);

    // The relative patient folder of the full edition; "No Information" when the image carries an
    // empty patient ID.
    static QString getPatientFolder(const ExifEntity& record, const SettingsSnapshot& settings);
    // The basic edition's simpler patient folder: the ID padded to 10 digits by "id number zero
    // padding", the name after it, "No Information" without an ID.
    static QString getPatientFolderBasic(const ExifEntity& record, const SettingsSnapshot& settings);
    // The day sub-folder name: DateTimeOriginal's date in the pattern of "date format string"
    // (with "YYYY" and "DD" already taken as "yyyy" and "dd"); nothing when the date cannot be read.
    static std::optional<QString> getDaySubfolderName(const ExifEntity& record,
                                                      const QString& folderDateFormat);

    // A relative folder made safe to join to a destination root: in every "/"-separated component,
    // control characters become "_", and "." or ".." (which would lead out of the destination) become
    // "_" and "__"; an empty component becomes "_". Patient data and serials come from the image, so
    // a crafted image must not be able to write outside the destination.
    static QString neutraliseRelativeFolder(const QString& folder);

    // True for a DateTimeOriginal of the form "yyyy:MM:dd HH:mm:ss" that names a real time. File
    // names are made of its parts, so anything else makes no sound name and the picture is skipped.
    static bool isShootingDate(const std::optional<QString>& text);
    // True for the images that the "2" operations name.
    static bool isSecondGeneration(const ExifEntity& record);

    static inline const QString noInformationFolder = QStringLiteral("No Information");
};
