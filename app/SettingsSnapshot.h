#pragma once

#include "app/Edition.h"

#include <QString>
#include <QVariantMap>

#include <memory>

// The imaging server (PACS) the DICOM files are sent to, and the names both sides go by.
struct DicomPeer
{
    QString host;
    int port = 104;
    QString calledAeTitle;  // the server's
    QString callingAeTitle; // this program's
    bool operator==(const DicomPeer&) const = default;
};

// One reading of the settings file, typed. The file stores the same setting in different ways over
// the years (a boolean as YES, 1 or "1"; a number as text), so it is converted here once, with the
// file's own conversions (SettingsValue), and every part of the running program works with the
// result: the import service, the windows, the tray. A snapshot never changes; a new reading of the
// file is a new snapshot, taken once per event (a file event, an answer, a timer).
//
// A missing, unreadable or damaged file reads as the empty dictionary: every switch off, every
// number 0, every text empty. "verify copies" alone is on unless the file turns it off: a file
// written before the switch existed must not let a source go on the strength of an unchecked copy.
struct SettingsSnapshot
{
    Edition edition = Edition::Full;

    // Sources and start-up.
    bool autoStartUp = false;
    bool watchRemovableDiskDrive = false;
    int confirmBeforeSending = 0; // 1001 asks before a card import
    bool ejectRemovableDevice = false;
    bool watchFolder = false;
    QString watchFolderPath;
    bool displayDesktopNotice = false;
    bool onlyCameraFormatedSD = false;
    int lastBuildNumber = 0;
    // "the wait seconds for checking designated folder": how long start-up waits for the destination.
    double waitSecondsForDestination = 0.0;

    // The transfer.
    bool historyCheck = false; // "activate avoid multiple import check"
    bool dontSendPatientInformationImage = false;
    bool deleteOriginalImage = false;
    bool zeroPadding = false;
    int zeroPaddingLength = 0;      // "zero padding length string"
    int zeroPaddingLengthIndex = 0; // "zero padding length": the entry of the detail window's list
    bool chopCount = false;
    bool dontAddPatientName = false;
    bool idNumberZeroPadding = false; // the basic edition's padding to ten digits
    bool saveDaySubfolder = false;
    bool chopCameraSerialNumber = false;
    QString destinationFolderPath;
    bool destinationFolderMov = false;
    QString destinationFolderPathMov;
    bool dontSendMif = false;
    bool exportXml = false;
    // Each copy is read back and compared with its source before it is named and its source may go.
    bool verifyCopies = true;
    // Each imported still also as a DICOM file in this folder (full edition).
    bool dicomExport = false;
    QString dicomFolderPath;
    // And each DICOM file sent to the practice's imaging server (full edition).
    bool dicomSend = false;
    DicomPeer dicomPeer;
    int dateFormat = 0;       // the entry of the settings window's date list
    QString dateFormatString; // as stored, e.g. "YYYY-MM-DD"
    // "date format string" with "YYYY" and "DD" taken as "yyyy" and "dd".
    QString folderDateFormat;

    // Timers of the full edition.
    double checkNgFileIntervalTime = 0.0;
    double deleteImportedFileRecordIntervalTime = 0.0;
    QString lastDeleteImportedFileRecordDatetime;

    // The update and information checks.
    QString versionCheckSite;
    QString manualVersionCheckSite;
    QString informationCheckSite;
    QString informationCheckSiteEnglish;
    int checkedInformationId = 0;

    bool confirmsBeforeCardImport() const { return confirmBeforeSending == 1001; }
    bool operator==(const SettingsSnapshot& other) const = default;

    static SettingsSnapshot fromDictionary(const QVariantMap& settings, Edition edition = Edition::Full);
    // Reads the running edition's settings file now.
    static std::shared_ptr<const SettingsSnapshot> read();
};

using SettingsSnapshotPtr = std::shared_ptr<const SettingsSnapshot>;
