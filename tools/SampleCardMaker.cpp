#include "tools/SampleCardMaker.h"

#include "camerafiles/CameraFileWriter.h"

#include <QDir>
#include <QSaveFile>

#include <functional>

using testsupport::CameraImage;
using testsupport::FileKind;
using testsupport::MakerNoteLayout;
using testsupport::Patient;

namespace {

// The card's patients: one of the clinic's older cameras still holds an alphabetic name only; the
// Japanese patient carries all three name forms, displayed family name first.
Patient patientSato()
{
    return {.id = QStringLiteral("0000012345"),
            .alphabeticName = QStringLiteral("SATO^HANAKO^"),
            .nameOrder = 0x04,
            .displayName = QStringLiteral("SATO HANAKO"),
            .sex = 'F',
            .birthDate = QStringLiteral("19850321"),
            .ageQR = QStringLiteral("0039"),
            .dateQR = QStringLiteral("20240514")};
}

Patient patientSmith()
{
    return {.id = QStringLiteral("0000023456"),
            .alphabeticName = QStringLiteral("SMITH^JOHN^A"),
            .nameOrder = 0x01, // given name, middle initial, family name
            .displayName = QStringLiteral("JOHN A SMITH"),
            .sex = 'M',
            .birthDate = QStringLiteral("19671102"),
            .ageQR = QStringLiteral("0056"),
            .dateQR = QStringLiteral("20240514")};
}

Patient patientYamada()
{
    return {.id = QStringLiteral("0000034567"),
            .alphabeticName = QStringLiteral("YAMADA^TARO^"),
            .ideographicName = QStringLiteral("山田^太郎^"),
            .phoneticName = QStringLiteral("やまだ^たろう^"),
            .nameOrder = 0x04, // family name, given name
            .displayName = QStringLiteral("山田 太郎"),
            .sex = 'M',
            .birthDate = QStringLiteral("19780923"),
            .ageQR = QStringLiteral("0045"),
            .dateQR = QStringLiteral("20240514")};
}

struct Shot
{
    QString path;
    CameraImage image;
    QString what;
};

CameraImage shotOf(MakerNoteLayout layout, const Patient& patient, QTime time,
                   FileKind kind = FileKind::Still)
{
    CameraImage image = testsupport::defaultCameraImage(layout, kind);
    image.setPatient(patient);
    image.dateTimeOriginal = QDateTime(QDate(2024, 5, 14), time);
    image.dateTime = image.dateTimeOriginal;
    return image;
}

QList<Shot> cardShots()
{
    QList<Shot> shots;
    const QString first = QStringLiteral("DCIM/100ORVIS/");
    const QString second = QStringLiteral("DCIM/101ORVIS/");

    // Below version 4 the modes count 01 face, 02 standard, 03 surgical, 04 mirror.
    CameraImage image = shotOf(MakerNoteLayout::Legacy, patientSato(), QTime(9, 0, 12));
    shots.append({first + QStringLiteral("ORVS0001.JPG"), image, QStringLiteral("standard")});
    image = shotOf(MakerNoteLayout::Legacy, patientSato(), QTime(9, 1, 40));
    image.shootingMode = 0x04;
    image.flipDirection = 0x01;
    shots.append({first + QStringLiteral("ORVS0002.JPG"), image, QStringLiteral("mirror, flipped")});

    image = shotOf(MakerNoteLayout::Extended, patientSmith(), QTime(9, 30, 5));
    image.shootingMode = 0x03;
    shots.append({first + QStringLiteral("ORVS0003.JPG"), image, QStringLiteral("surgical")});
    image = shotOf(MakerNoteLayout::Extended, patientSmith(), QTime(9, 31, 50));
    image.majorVersion = 3;
    image.minorVersion = 0;
    image.drawingFlag = 0x01;
    image.flipDirection = 0x03;
    shots.append(
        {first + QStringLiteral("ORVS0004.JPG"), image, QStringLiteral("standard, drawn on, colour")});

    // From version 4 the modes count 00 standard, 01 surgical, 02 mirror, ..., 08 movie.
    image = shotOf(MakerNoteLayout::Extended2, patientYamada(), QTime(10, 15, 0));
    shots.append({second + QStringLiteral("ORVS0005.JPG"), image, QStringLiteral("standard, custom mode 1")});
    image = shotOf(MakerNoteLayout::Extended2, patientYamada(), QTime(10, 16, 22));
    image.shootingMode = 0x02;
    image.customMode = 0x00;
    image.flipDirection = 0x02;
    image.patientExtraInfo = QByteArrayLiteral("ALLERGY=LATEX;INSURANCE=SHAHO");
    shots.append({second + QStringLiteral("ORVS0006.JPG"), image,
                  QStringLiteral("mirror, flipped, extra information")});
    image = shotOf(MakerNoteLayout::Extended2, patientYamada(), QTime(10, 14, 30));
    image.shootingMode = 0xFE;
    shots.append(
        {second + QStringLiteral("ORVS0007.JPG"), image, QStringLiteral("patient-information image")});
    image = shotOf(MakerNoteLayout::Extended2, patientYamada(), QTime(10, 20, 45), FileKind::MovieIndex);
    shots.append(
        {second + QStringLiteral("ORVS0008.MIF"), image, QStringLiteral("movie index of ORVS0008.MOV")});
    image = shotOf(MakerNoteLayout::Extended2, Patient{}, QTime(11, 2, 3));
    image.clearPatient();
    shots.append(
        {second + QStringLiteral("ORVS0009.JPG"), image, QStringLiteral("standard, shot without a patient")});
    return shots;
}

QString describe(const CameraImage& image, const QString& what)
{
    const QString patient =
        image.patientInformationID.isEmpty()
            ? QStringLiteral("no patient")
            : QStringLiteral("patient %1 %2").arg(image.patientInformationID, image.patientInformationName);
    return QStringLiteral("%1, maker note %2.%3, %4, %5")
        .arg(image.model)
        .arg(image.majorVersion)
        .arg(image.minorVersion)
        .arg(patient, what);
}

bool writeWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

SampleCardResult makeSampleCard(const QString& cardFolder)
{
    SampleCardResult result;
    const QDir card(cardFolder);
    const auto write = [&](const QString& relativePath, const std::function<bool(const QString&)>& writer,
                           const QString& description) {
        const QString path = card.filePath(relativePath);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !writer(path)) {
            result.error = QStringLiteral("cannot write %1").arg(path);
            return false;
        }
        result.files.append({path, description});
        return true;
    };

    // The camera formats the card with this empty marker; the import recognises cards by it.
    if (!write(
            QStringLiteral("ORV_SD"), [](const QString& path) { return writeWhole(path, {}); },
            QStringLiteral("card marker")))
        return result;
    for (const Shot& shot : cardShots()) {
        const auto writeShot = [&shot](const QString& path) {
            return testsupport::writeCameraFile(path, shot.image);
        };
        if (!write(shot.path, writeShot, describe(shot.image, shot.what)))
            return result;
        if (shot.image.kind == FileKind::MovieIndex) {
            QString moviePath = shot.path;
            moviePath.replace(QStringLiteral(".MIF"), QStringLiteral(".MOV"));
            const auto writeMovie = [](const QString& path) {
                return writeWhole(path, testsupport::moviePlaceholder());
            };
            if (!write(moviePath, writeMovie, QStringLiteral("movie placeholder beside its index")))
                return result;
        }
    }
    result.ok = true;
    return result;
}
