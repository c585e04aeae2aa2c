#include "app/SettingsKeys.h"

namespace SettingsKey {

QStringList keysOf(Edition edition)
{
    QStringList keys{
        autoStartUp,
        watchRemovableDiskDrive,
        confirmBeforeSending,
        watchFolder,
        watchFolderPath,
        destinationFolderPath,
        dontSendPatientInformationImage,
        saveDaySubfolder,
        dateFormat,
        dateFormatString,
        deleteOriginalImage,
        versionCheckSite,
        displayDesktopNotice,
        onlyCameraFormatedSD,
        idNumberZeroPadding,
        lastBuildNumber,
        verifyCopies,
    };
    if (edition == Edition::Full) {
        keys << ejectRemovableDevice << destinationFolderMov << destinationFolderPathMov
             << manualVersionCheckSite << informationCheckSite << informationCheckSiteEnglish
             << checkedInformationId << checkNgFileIntervalTime << deleteImportedFileRecordIntervalTime
             << lastDeleteImportedFileRecordDatetime << exportXml << zeroPadding << zeroPaddingLength
             << zeroPaddingLengthString << chopCameraSerialNumber << chopCount << dontAddPatientName
             << dontSendMif << activateAvoidMultipleImportCheck << theWaitSecondsForCheckingDesignatedFolder
             << dicomExport << dicomFolderPath << dicomSend << dicomPeerHost << dicomPeerPort
             << dicomCalledAeTitle << dicomCallingAeTitle;
    }
    return keys;
}

} // namespace SettingsKey
