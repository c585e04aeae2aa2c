#include "transfer/TransferSettings.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"

TransferSettings TransferSettings::fromSnapshot(const QVariantMap& snapshot)
{
    const auto flag = [&](const char* key) { return SettingsValue::boolValue(snapshot, QLatin1String(key)); };
    const auto text = [&](const char* key) {
        return SettingsValue::stringValue(snapshot, QLatin1String(key));
    };

    TransferSettings settings;
    settings.historyCheck = flag(SettingsKey::activateAvoidMultipleImportCheck);
    settings.dontSendPatientInformationImage = flag(SettingsKey::dontSendPatientInformationImage);
    settings.deleteOriginalImage = flag(SettingsKey::deleteOriginalImage);
    settings.zeroPadding = flag(SettingsKey::zeroPadding);
    settings.zeroPaddingLength =
        SettingsValue::intValue(snapshot, QLatin1String(SettingsKey::zeroPaddingLengthString));
    settings.chopCount = flag(SettingsKey::chopCount);
    settings.dontAddPatientName = flag(SettingsKey::dontAddPatientName);
    settings.idNumberZeroPadding = flag(SettingsKey::idNumberZeroPadding);
    settings.saveDaySubfolder = flag(SettingsKey::saveDaySubfolder);
    settings.chopCameraSerialNumber = flag(SettingsKey::chopCameraSerialNumber);
    settings.destinationFolderPath = text(SettingsKey::destinationFolderPath);
    settings.destinationFolderMov = flag(SettingsKey::destinationFolderMov);
    settings.destinationFolderPathMov = text(SettingsKey::destinationFolderPathMov);
    settings.dontSendMif = flag(SettingsKey::dontSendMif);
    settings.exportXml = flag(SettingsKey::exportXml);
    settings.folderDateFormat = text(SettingsKey::dateFormatString)
                                    .replace(QStringLiteral("YYYY"), QStringLiteral("yyyy"))
                                    .replace(QStringLiteral("DD"), QStringLiteral("dd"));
    return settings;
}
