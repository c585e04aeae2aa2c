#include "dicom/DicomExport.h"

#include "platform/ContentHash.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcfilefo.h"
#include "dcmtk/dcmdata/dcitem.h"
#include "dcmtk/dcmdata/dcuid.h"
#include "dcmtk/dcmdata/libi2d/i2d.h"
#include "dcmtk/dcmdata/libi2d/i2djpgs.h"
#include "dcmtk/dcmdata/libi2d/i2dplvlp.h"

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// Lets the compiler do the 128-bit division for the decimal form.
__extension__ typedef unsigned __int128 Uint128;

QString decimal(const ContentHash& hash)
{
    Uint128 value = (Uint128(hash.high) << 64) | hash.low;
    if (value == 0)
        return QStringLiteral("0");
    QString digits;
    while (value != 0) {
        digits.prepend(QChar(u'0' + char16_t(value % 10)));
        value /= 10;
    }
    return digits;
}

DicomResult failure(const QString& why)
{
    return {.ok = false, .path = {}, .sopInstanceUid = {}, .error = why, .retry = false};
}

// A failure of the folder or the disk: the export is worth trying again.
DicomResult diskFailure(const QString& why)
{
    DicomResult result = failure(why);
    result.retry = true;
    return result;
}

// A value for a DICOM text attribute: the camera's text without what DICOM uses as separators.
QByteArray dicomText(const std::optional<QString>& text)
{
    if (!text)
        return {};
    QString value = text->trimmed();
    value.replace(QLatin1Char('\\'), QLatin1Char(' '));
    return value.toUtf8();
}

// The patient's name as the camera shows it, whole, in the family-name component.
QByteArray personName(const std::optional<QString>& name)
{
    if (!name)
        return {};
    QString value = name->simplified();
    for (const QChar separator : {QLatin1Char('^'), QLatin1Char('='), QLatin1Char('\\')})
        value.replace(separator, QLatin1Char(' '));
    return value.simplified().toUtf8();
}

bool put(DcmItem& item, const DcmTagKey& key, const QByteArray& value)
{
    return item.putAndInsertString(key, value.constData()).good();
}

bool writeWhole(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size() && file.flush() && ::fsync(file.handle()) == 0;
}

bool syncFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Removes a temporary file when it leaves scope, unless it was renamed into place.
struct TemporaryFile
{
    QString path;
    ~TemporaryFile()
    {
        if (!path.isEmpty())
            QFile::remove(path);
    }
};

} // namespace

QString DicomExport::uidFromText(const QByteArray& text)
{
    ContentHasher hasher;
    hasher.add(text.constData(), std::size_t(text.size()));
    return QStringLiteral("2.25.") + decimal(hasher.result());
}

std::optional<QByteArray> DicomExport::stripAppSegments(const QByteArray& jpeg, QString* why)
{
    const auto refuse = [why](const char* reason) -> std::optional<QByteArray> {
        if (why)
            *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    const auto byte = [&jpeg](qsizetype at) { return quint8(jpeg.at(at)); };
    const qsizetype size = jpeg.size();
    if (size < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return refuse("the picture does not start with a JPEG start-of-image marker");

    QByteArray out;
    out.reserve(size);
    out.append(jpeg.constData(), 2);
    qsizetype at = 2;
    bool scanSeen = false;
    while (true) {
        if (at >= size || byte(at) != 0xFF)
            return refuse("a JPEG segment does not start with a marker");
        while (at < size && byte(at) == 0xFF) // fill bytes
            ++at;
        if (at >= size)
            return refuse("the JPEG stream ends inside a marker");
        const quint8 marker = byte(at);
        ++at;
        if (marker == 0xD9) {
            if (!scanSeen)
                return refuse("the JPEG stream ends before its picture data");
            out.append(char(0xFF));
            out.append(char(marker));
            return out;
        }
        if (marker == 0xD8 || marker == 0x00)
            return refuse("the JPEG stream holds a misplaced marker");
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            out.append(char(0xFF));
            out.append(char(marker));
            continue;
        }
        if (at + 2 > size)
            return refuse("a JPEG segment runs past the end of the file");
        const qsizetype length = (qsizetype(byte(at)) << 8) | byte(at + 1);
        if (length < 2 || at + length > size)
            return refuse("a JPEG segment runs past the end of the file");
        const qsizetype segmentEnd = at + length;
        if (marker >= 0xE0 && marker <= 0xEF) {
            at = segmentEnd;
            continue;
        }
        out.append(char(0xFF));
        out.append(char(marker));
        out.append(jpeg.constData() + at, length);
        at = segmentEnd;
        if (marker != 0xDA)
            continue;
        // Entropy-coded data runs to the next marker that is neither a stuffed zero nor a restart.
        scanSeen = true;
        const qsizetype dataStart = at;
        while (at + 1 < size) {
            if (byte(at) == 0xFF) {
                const quint8 next = byte(at + 1);
                if (next != 0x00 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7))
                    break;
            }
            ++at;
        }
        if (at + 1 >= size)
            return refuse("the JPEG stream has no end-of-image marker");
        out.append(jpeg.constData() + dataStart, at - dataStart);
    }
}

DicomResult DicomExport::exportStill(const QString& stillPath, const ExifEntity& record,
                                     const QString& dicomFolder)
{
    const QString patientID = record.patientID.value_or(QString()).trimmed();
    if (patientID.isEmpty())
        return failure(QStringLiteral("the picture has no patient ID"));
    if (patientID.contains(QLatin1Char('/')) || patientID == QLatin1String(".") ||
        patientID == QLatin1String(".."))
        return failure(QStringLiteral("the patient ID \"%1\" cannot name a folder").arg(patientID));
    const QDateTime shot = QDateTime::fromString(record.dateTimeOriginal.value_or(QString()).trimmed(),
                                                 QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    if (!shot.isValid())
        return failure(QStringLiteral("the picture has no shooting date"));

    QFile still(stillPath);
    if (!still.open(QIODevice::ReadOnly))
        return diskFailure(QStringLiteral("cannot read %1: %2").arg(stillPath, still.errorString()));
    const QByteArray stillBytes = still.read(kMaxStillBytes + 1);
    if (stillBytes.size() > kMaxStillBytes)
        return failure(QStringLiteral("the picture is larger than %1 MB").arg(kMaxStillBytes >> 20));
    still.close();
    QString why;
    const auto jpeg = stripAppSegments(stillBytes, &why);
    if (!jpeg)
        return failure(why);

    const QString day = shot.toString(QStringLiteral("yyyy-MM-dd"));
    const QByteArray serial = dicomText(record.productNumberString);
    const QByteArray idBytes = patientID.toUtf8();
    const QString studyUid = uidFromText("trevasel-dicom-study\n" + idBytes + '\n' + day.toLatin1());
    const QString seriesUid =
        uidFromText("trevasel-dicom-series\n" + idBytes + '\n' + day.toLatin1() + '\n' + serial);
    ContentHasher pictureHasher;
    pictureHasher.add(stillBytes.constData(), std::size_t(stillBytes.size()));
    const QString sopInstanceUid =
        uidFromText("trevasel-dicom-instance\n" + pictureHasher.result().toHex().toLatin1());

    const QString folder = QDir(dicomFolder).filePath(patientID + QLatin1Char('/') + day);
    if (!QDir().mkpath(folder))
        return diskFailure(QStringLiteral("cannot make the folder %1").arg(folder));
    const QString finalPath = QDir(folder).filePath(sopInstanceUid + QStringLiteral(".dcm"));

    // libi2d reads its JPEG from a file: the stripped stream goes beside the result for the time of
    // the conversion.
    TemporaryFile strippedJpeg{
        QDir(folder).filePath(QLatin1Char('.') + sopInstanceUid + QStringLiteral(".jpg.part"))};
    if (!writeWhole(strippedJpeg.path, *jpeg))
        return diskFailure(QStringLiteral("cannot write in %1").arg(folder));

    I2DJpegSource source;
    source.setImageFile(OFString(QFile::encodeName(strippedJpeg.path).constData()));
    I2DOutputPlugVLP outputPlug;
    Image2Dcm converter;
    DcmDataset* converted = nullptr;
    E_TransferSyntax transferSyntax = EXS_Unknown;
    const OFCondition status =
        converter.convertFirstFrame(&source, &outputPlug, 1, converted, transferSyntax);
    std::unique_ptr<DcmDataset> dataset(converted);
    if (status.bad() || !dataset)
        return failure(
            QStringLiteral("the picture cannot be wrapped: %1").arg(QString::fromUtf8(status.text())));
    if (transferSyntax != EXS_JPEGProcess1)
        return failure(QStringLiteral("the picture is not a baseline JPEG"));

    const QByteArray date = shot.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    const QByteArray time = shot.toString(QStringLiteral("HHmmss")).toLatin1();
    DcmDataset& d = *dataset;
    // The mouth is no paired structure: Image Laterality "U" says so, and Laterality stays out.
    d.findAndDeleteElement(DCM_Laterality);
    bool ok =
        put(d, DCM_SpecificCharacterSet, "ISO_IR 192") &&
        put(d, DCM_SOPClassUID, UID_VLPhotographicImageStorage) &&
        put(d, DCM_SOPInstanceUID, sopInstanceUid.toLatin1()) &&
        put(d, DCM_StudyInstanceUID, studyUid.toLatin1()) &&
        put(d, DCM_SeriesInstanceUID, seriesUid.toLatin1()) && put(d, DCM_Modality, "XC") &&
        put(d, DCM_ImageType, "ORIGINAL\\PRIMARY") && put(d, DCM_PatientID, idBytes) &&
        put(d, DCM_PatientName, personName(record.patientName)) && put(d, DCM_StudyDate, date) &&
        put(d, DCM_StudyTime, time) && put(d, DCM_SeriesDate, date) && put(d, DCM_SeriesTime, time) &&
        put(d, DCM_ContentDate, date) && put(d, DCM_ContentTime, time) &&
        put(d, DCM_AcquisitionDateTime, date + time) && put(d, DCM_ImageLaterality, "U") &&
        put(d, DCM_StudyID, date) && put(d, DCM_SeriesNumber, "1") && put(d, DCM_InstanceNumber, "1") &&
        put(d, DCM_LossyImageCompression, "01") && put(d, DCM_LossyImageCompressionMethod, "ISO_10918_1") &&
        put(d, DCM_Manufacturer, dicomText(record.maker)) &&
        put(d, DCM_ManufacturerModelName, dicomText(record.model)) &&
        put(d, DCM_DeviceSerialNumber, serial) && put(d, DCM_SoftwareVersions, dicomText(record.software));
    DcmItem* region = nullptr;
    ok = ok && d.findOrCreateSequenceItem(DCM_AnatomicRegionSequence, region, 0).good() && region &&
         put(*region, DCM_CodeValue, "123851003") && put(*region, DCM_CodingSchemeDesignator, "SCT") &&
         put(*region, DCM_CodeMeaning, "Mouth region structure");
    if (!ok)
        return failure(QStringLiteral("the DICOM attributes cannot be set"));

    // Sequences with explicit lengths, as the network sends them: the data set a server receives is
    // byte for byte the one in the file.
    DcmFileFormat file(dataset.get());
    TemporaryFile written{
        QDir(folder).filePath(QLatin1Char('.') + sopInstanceUid + QStringLiteral(".dcm.part"))};
    const OFCondition saved = file.saveFile(OFFilename(QFile::encodeName(written.path).constData()),
                                            transferSyntax, EET_ExplicitLength);
    if (saved.bad())
        return diskFailure(
            QStringLiteral("cannot write %1: %2").arg(written.path, QString::fromUtf8(saved.text())));
    if (!syncFile(written.path))
        return diskFailure(QStringLiteral("cannot write %1").arg(written.path));
    if (std::rename(QFile::encodeName(written.path).constData(), QFile::encodeName(finalPath).constData()) !=
        0)
        return diskFailure(QStringLiteral("cannot name %1").arg(finalPath));
    written.path.clear();
    return {.ok = true, .path = finalPath, .sopInstanceUid = sopInstanceUid, .error = {}, .retry = false};
}
