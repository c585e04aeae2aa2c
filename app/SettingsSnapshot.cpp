#include "app/SettingsSnapshot.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"

SettingsSnapshot SettingsSnapshot::fromDictionary(const QVariantMap& stored, Edition edition)
{
    const auto flag = [&](const char* key) { return SettingsValue::boolValue(stored, QLatin1String(key)); };
    const auto text = [&](const char* key) { return SettingsValue::stringValue(stored, QLatin1String(key)); };
    const auto number = [&](const char* key) { return SettingsValue::intValue(stored, QLatin1String(key)); };
    const auto real = [&](const char* key) { return SettingsValue::doubleValue(stored, QLatin1String(key)); };
    namespace K = SettingsKey;

    SettingsSnapshot s;
    s.edition = edition;
    s.autoStartUp = flag(K::autoStartUp);
    s.watchRemovableDiskDrive = flag(K::watchRemovableDiskDrive);
    s.confirmBeforeSending = number(K::confirmBeforeSending);
    s.ejectRemovableDevice = flag(K::ejectRemovableDevice);
    s.watchFolder = flag(K::watchFolder);
    s.watchFolderPath = text(K::watchFolderPath);
    s.displayDesktopNotice = flag(K::displayDesktopNotice);
    s.onlyCameraFormatedSD = flag(K::onlyCameraFormatedSD);
    s.lastBuildNumber = number(K::lastBuildNumber);
    s.waitSecondsForDestination = real(K::theWaitSecondsForCheckingDesignatedFolder);

    s.historyCheck = flag(K::activateAvoidMultipleImportCheck);
    s.dontSendPatientInformationImage = flag(K::dontSendPatientInformationImage);
    s.deleteOriginalImage = flag(K::deleteOriginalImage);
    s.zeroPadding = flag(K::zeroPadding);
    s.zeroPaddingLength = number(K::zeroPaddingLengthString);
    s.zeroPaddingLengthIndex = number(K::zeroPaddingLength);
    s.chopCount = flag(K::chopCount);
    s.dontAddPatientName = flag(K::dontAddPatientName);
    s.idNumberZeroPadding = flag(K::idNumberZeroPadding);
    s.saveDaySubfolder = flag(K::saveDaySubfolder);
    s.chopCameraSerialNumber = flag(K::chopCameraSerialNumber);
    s.destinationFolderPath = text(K::destinationFolderPath);
    s.destinationFolderMov = flag(K::destinationFolderMov);
    s.destinationFolderPathMov = text(K::destinationFolderPathMov);
    s.dontSendMif = flag(K::dontSendMif);
    s.exportXml = flag(K::exportXml);
    s.verifyCopies = !stored.contains(QLatin1String(K::verifyCopies)) || flag(K::verifyCopies);
    s.dicomExport = flag(K::dicomExport);
    s.dicomFolderPath = text(K::dicomFolderPath);
    s.dicomSend = flag(K::dicomSend);
    s.dicomPeer.host = text(K::dicomPeerHost);
    if (stored.contains(QLatin1String(K::dicomPeerPort)))
        s.dicomPeer.port = number(K::dicomPeerPort);
    s.dicomPeer.calledAeTitle = text(K::dicomCalledAeTitle);
    s.dicomPeer.callingAeTitle = text(K::dicomCallingAeTitle);
    s.dateFormat = number(K::dateFormat);
    s.dateFormatString = text(K::dateFormatString);
    s.folderDateFormat = text(K::dateFormatString)
                             .replace(QStringLiteral("YYYY"), QStringLiteral("yyyy"))
                             .replace(QStringLiteral("DD"), QStringLiteral("dd"));

    s.checkNgFileIntervalTime = real(K::checkNgFileIntervalTime);
    s.deleteImportedFileRecordIntervalTime = real(K::deleteImportedFileRecordIntervalTime);
    s.lastDeleteImportedFileRecordDatetime = text(K::lastDeleteImportedFileRecordDatetime);

    s.versionCheckSite = text(K::versionCheckSite);
    s.manualVersionCheckSite = text(K::manualVersionCheckSite);
    s.informationCheckSite = text(K::informationCheckSite);
    s.informationCheckSiteEnglish = text(K::informationCheckSiteEnglish);
    s.checkedInformationId = number(K::checkedInformationId);
    return s;
}

std::shared_ptr<const SettingsSnapshot> SettingsSnapshot::read()
{
    return std::make_shared<const SettingsSnapshot>(
        fromDictionary(TrevaselCommon::getUserSettingDictionary(), TrevaselCommon::edition()));
}
