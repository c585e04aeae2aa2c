#pragma once

#include <QString>
#include <QVariantMap>

// The settings a transfer batch works with, read once from the batch's snapshot of the settings file
// with the file's own conversions (a boolean stored as YES, 1 or "1"; a number stored as text), so
// that no step converts a key again for every picture.
struct TransferSettings
{
    bool historyCheck = false; // "activate avoid multiple import check"
    bool dontSendPatientInformationImage = false;
    bool deleteOriginalImage = false;
    bool zeroPadding = false;
    int zeroPaddingLength = 0; // "zero padding length string"
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
    // "date format string" with "YYYY" and "DD" taken as "yyyy" and "dd".
    QString folderDateFormat;

    static TransferSettings fromSnapshot(const QVariantMap& snapshot);
};
