#pragma once

#include "app/Edition.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <optional>

// The shared utilities of both programs: where the per-user files live, reading and writing the
// settings file, the "yyyyMMddHHmmss" date-time texts and small text tests.
//
// Static operations only. The one piece of state is the running edition, set by each program's main
// before anything else runs (the default is Full).
//
// Path operations return absolute paths. When the platform knows no folder of the kind asked for, they
// return the empty text rather than a path below the root folder, and so do the operations built on
// them.
class TrevaselCommon
{
public:
    TrevaselCommon() = delete;

    static void setEdition(Edition edition);
    static Edition edition();

    // Full: "TrevaselForPravena" in the user's generic data folder (the Application Support
    // equivalent). Basic: "Trevasel" there; the basic edition keeps nothing in it today, but a path
    // is safer for a caller than the empty text. Created, with missing parents, when missing; a
    // failure to create it is not reported.
    static QString getApplicationDataDirectory();
    // ".TrevaselForPravena" (full) or ".Trevasel" (basic) in the home folder. Not created here.
    static QString getApplicationWorkDirectory();
    static QString getPicturesDirectory();
    static QString getMoviesDirectory();
    // "Trevasel-setting.plist": in the data directory (full) or in the work directory (basic), or
    // the file set below.
    static QString getUserSettingPlistFilePath();
    // Makes the file the settings file that every reading and writing of the settings uses
    // ("trevasel-cli watch --settings FILE"); the empty text returns to the edition's own. Called
    // before any other thread starts.
    static void setUserSettingPlistFilePath(const QString& path);
    // Full: "Trevasel-setting.plist" in the work directory, where builds before 6 kept it.
    // Basic: the empty text (the basic edition has no earlier location and no migration).
    static QString getOldUserSettingPlistFilePath();
    // Full: "Trevasel.db" in the data directory. Basic: the empty text (no import history).
    static QString getDBFilePath();
    // Where the "$TMP" marker stands while a batch runs: the folder that holds the running program,
    // or, where that cannot be written (an installed program), "TrevaselForPravena" in the per-user
    // runtime folder (created). The choice is logged once.
    static QString getTransferringMarkerFolder();
    // The short version text, e.g. "1.0.0" (the project version).
    static QString getVersionNubmer();
    // The build number text that "last build number" is stamped with and the migration compares.
    static QString getBuildNumber();

    // Destination folders proposed when a destination setting is empty: "TrevaselD" in Pictures and
    // "TrevaselMovieD" in Movies (the status-bar menu), and the basic settings window's "Trevasel" in
    // Pictures.
    static QString getDefaultImageDestinationDirectory();
    static QString getDefaultMovieDestinationDirectory();
    static QString getDefaultDestinationDirectory();

    // The running edition's default settings file, compiled in as a Qt resource, e.g.
    // ":/full/Trevasel-setting.plist". Start-up installs it when the settings file is missing; write
    // its bytes with a QSaveFile rather than QFile::copy, which would carry over the resource's
    // read-only permissions.
    static QString getDefaultUserSettingResourcePath();
    static QByteArray getDefaultUserSettingData();

    // Reads the settings file now. A missing, unreadable or corrupt file reads as the empty
    // dictionary, where every boolean is false, every number 0 and every text empty. Read the file
    // again for every event: other writers change it at any time.
    static QVariantMap getUserSettingDictionary();
    // Reads the settings file now: the empty dictionary when there is none, nothing when a file is
    // there that cannot be read (damaged, no property list, over 1 MB): such a file must be kept,
    // never written over.
    static std::optional<QVariantMap> readUserSettingDictionary();
    // Moves an unreadable settings file aside, beside itself, as
    // "Trevasel-setting.plist.unreadable-<yyyyMMddHHmmss>"; its new path, or the empty text when it
    // could not be moved.
    static QString keepUnreadableUserSettingFile();
    // Replaces the whole settings file atomically, making its folder when missing. False when the
    // write failed; the old file is then untouched. Callers read, change a copy and write it back.
    static bool writeUserSettingDictionary(const QVariantMap& settings);
    // A stored "last build number" below 1 (absent counts as 0) means this installation never ran.
    static bool isFirstStart(const QVariantMap& settings);

    // The current local time as "yyyyMMddHHmmss".
    static QString getNowDatabaseDatetime();
    // "yyyyMMddHHmmss" in local time: exactly 14 digits naming an existing local time; anything
    // else (dashes, spaces, a 13-digit text, the 30th of February) gives nothing.
    static std::optional<QDateTime> stringToDate(const QString& text);
    // The date in local time as "yyyyMMddHHmmss"; the empty text for an invalid date.
    static QString dateToString(const QDateTime& date);

    // True when the text is not empty and holds only the characters 0 to 9.
    static bool isDigit(const QString& text);
};
