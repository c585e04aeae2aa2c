#pragma once

#include "app/Edition.h"

#include <QStringList>

// Every key of the settings file, declared once so that a misspelt key is a compile error rather than
// a setting that silently reads as false. The texts are the file's keys exactly; (F) marks keys that
// only the full edition knows.
namespace SettingsKey {

inline constexpr char autoStartUp[] = "auto start up";
inline constexpr char watchRemovableDiskDrive[] = "watch removable disk drive";
inline constexpr char confirmBeforeSending[] = "confirm before sending";
inline constexpr char ejectRemovableDevice[] = "eject removable device"; // (F)
inline constexpr char watchFolder[] = "watch folder";
inline constexpr char watchFolderPath[] = "watch folder path";
inline constexpr char destinationFolderPath[] = "destination folder path";
inline constexpr char destinationFolderMov[] = "destination folder mov";          // (F)
inline constexpr char destinationFolderPathMov[] = "destination folder path mov"; // (F)
inline constexpr char dontSendPatientInformationImage[] = "dont send patient information image";
inline constexpr char saveDaySubfolder[] = "save day subfolder";
inline constexpr char dateFormat[] = "date format";
inline constexpr char dateFormatString[] = "date format string";
inline constexpr char deleteOriginalImage[] = "delete original image";
inline constexpr char versionCheckSite[] = "version check site";
inline constexpr char manualVersionCheckSite[] = "manual version check site";           // (F)
inline constexpr char informationCheckSite[] = "information check site";                // (F)
inline constexpr char informationCheckSiteEnglish[] = "information check site english"; // (F)
inline constexpr char checkedInformationId[] = "checked information id";                // (F)
inline constexpr char checkNgFileIntervalTime[] = "check ng file interval time";        // (F)
inline constexpr char deleteImportedFileRecordIntervalTime[] =
    "delete imported file record interval time"; // (F)
inline constexpr char lastDeleteImportedFileRecordDatetime[] =
    "last delete imported file record datetime"; // (F)
inline constexpr char displayDesktopNotice[] = "display desktop notice";
inline constexpr char onlyCameraFormatedSD[] = "only camera formated SD";
inline constexpr char idNumberZeroPadding[] = "id number zero padding";
inline constexpr char lastBuildNumber[] = "last build number";
inline constexpr char exportXml[] = "export xml";                                                  // (F)
inline constexpr char zeroPadding[] = "zero padding";                                              // (F)
inline constexpr char zeroPaddingLength[] = "zero padding length";                                 // (F)
inline constexpr char zeroPaddingLengthString[] = "zero padding length string";                    // (F)
inline constexpr char chopCameraSerialNumber[] = "chop camera serial number";                      // (F)
inline constexpr char chopCount[] = "chop count";                                                  // (F)
inline constexpr char dontAddPatientName[] = "dont add patient name";                              // (F)
inline constexpr char dontSendMif[] = "dont send mif";                                             // (F)
inline constexpr char activateAvoidMultipleImportCheck[] = "activate avoid multiple import check"; // (F)
inline constexpr char theWaitSecondsForCheckingDesignatedFolder[] =
    "the wait seconds for checking designated folder"; // (F)
// Every copy is read back and compared with its source before it is named and its source may go.
inline constexpr char verifyCopies[] = "verify copies";
inline constexpr char dicomExport[] = "dicom export";          // (F)
inline constexpr char dicomFolderPath[] = "dicom folder path"; // (F)
// Each DICOM file is also sent by C-STORE to the practice's imaging server (PACS).
inline constexpr char dicomSend[] = "dicom send";                       // (F)
inline constexpr char dicomPeerHost[] = "dicom peer host";              // (F)
inline constexpr char dicomPeerPort[] = "dicom peer port";              // (F)
inline constexpr char dicomCalledAeTitle[] = "dicom called ae title";   // (F)
inline constexpr char dicomCallingAeTitle[] = "dicom calling ae title"; // (F)

// The keys an edition knows. The basic edition's settings window writes exactly these, so any other
// key does not survive its save.
QStringList keysOf(Edition edition);

} // namespace SettingsKey
