#include "dicom/DicomExport.h"

#include "camerafiles/CameraFileWriter.h"
#include "metadata/ExifOperator.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcfilefo.h"
#include "dcmtk/dcmdata/dcpixel.h"
#include "dcmtk/dcmdata/dcpixseq.h"
#include "dcmtk/dcmdata/dcpxitem.h"
#include "dcmtk/dcmimage/diregist.h" // colour pictures
#include "dcmtk/dcmimgle/dcmimage.h"
#include "dcmtk/dcmjpeg/djdecode.h"

#include <gtest/gtest.h>

namespace {

using testsupport::CameraImage;
using testsupport::MakerNoteLayout;

struct ToolRun
{
    int exitCode = -1;
    QString output;
};

// Runs a DICOM checking tool; the test fails when it is not installed (scripts/install-deps.sh).
ToolRun runTool(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " is not installed (scripts/install-deps.sh installs it)";
        return {};
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// The value of the first element with the tag in a dcmdump listing, or "(absent)".
QString dumped(const QString& dump, const char* tag)
{
    const QRegularExpression line(QStringLiteral("\\(%1\\) \\w\\w \\[([^\\]]*)\\]")
                                      .arg(QRegularExpression::escape(QLatin1String(tag))));
    const auto match = line.match(dump);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("(absent)");
}

class DicomExportTest : public ::testing::Test
{
protected:
    DicomResult exportImage(const CameraImage& picture, const QString& name = QStringLiteral("ORVS0001.JPG"))
    {
        const QString still = dir.filePath(QStringLiteral("card/") + name);
        EXPECT_TRUE(testsupport::writeCameraFile(still, picture));
        const auto record = ExifOperator().getExifData(still);
        EXPECT_TRUE(record.has_value());
        return record ? DicomExport::exportStill(still, *record, dir.filePath(QStringLiteral("dicom")))
                      : DicomResult{};
    }

    QTemporaryDir dir;
    CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Extended2);
};

TEST_F(DicomExportTest, WrapsTheStillAsAValidVlPhotographicImage)
{
    const DicomResult result = exportImage(image);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.path,
              dir.filePath(QStringLiteral("dicom/0000012345/2024-05-14/%1.dcm").arg(result.sopInstanceUid)));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^2\\.25\\.[1-9][0-9]{0,38}$"))
                    .match(result.sopInstanceUid)
                    .hasMatch());

    const QString dump =
        runTool(QStringLiteral("dcmdump"), {QStringLiteral("-Un"), QStringLiteral("+U8"), result.path})
            .output;
    EXPECT_EQ(dumped(dump, "0002,0010"), QStringLiteral("1.2.840.10008.1.2.4.50")) << dump.toStdString();
    EXPECT_EQ(dumped(dump, "0008,0016"), QStringLiteral("1.2.840.10008.5.1.4.1.1.77.1.4"));
    EXPECT_EQ(dumped(dump, "0008,0018"), result.sopInstanceUid);
    EXPECT_EQ(dumped(dump, "0008,0005"), QStringLiteral("ISO_IR 192"));
    EXPECT_EQ(dumped(dump, "0008,0060"), QStringLiteral("XC"));
    EXPECT_EQ(dumped(dump, "0008,0008"), QStringLiteral("ORIGINAL\\PRIMARY"));
    EXPECT_EQ(dumped(dump, "0010,0020"), QStringLiteral("0000012345"));
    EXPECT_EQ(dumped(dump, "0010,0010"), QStringLiteral("SATO HANAKO"));
    EXPECT_EQ(dumped(dump, "0008,0020"), QStringLiteral("20240514"));
    EXPECT_EQ(dumped(dump, "0008,0030"), QStringLiteral("103207"));
    EXPECT_EQ(dumped(dump, "0008,0023"), QStringLiteral("20240514"));
    EXPECT_EQ(dumped(dump, "0008,0033"), QStringLiteral("103207"));
    EXPECT_EQ(dumped(dump, "0008,002a"), QStringLiteral("20240514103207"));
    EXPECT_EQ(dumped(dump, "0008,0100"), QStringLiteral("123851003"));
    EXPECT_EQ(dumped(dump, "0008,0102"), QStringLiteral("SCT"));
    EXPECT_EQ(dumped(dump, "0008,0104"), QStringLiteral("Mouth region structure"));
    EXPECT_EQ(dumped(dump, "0028,2110"), QStringLiteral("01"));
    EXPECT_EQ(dumped(dump, "0028,2114"), QStringLiteral("ISO_10918_1"));
    EXPECT_EQ(dumped(dump, "0018,1000"), QString::fromLatin1(image.serial).trimmed());

    const ToolRun check = runTool(QStringLiteral("dciodvfy"), {result.path});
    std::printf("dciodvfy:\n%s", qPrintable(check.output));
    EXPECT_FALSE(check.output.isEmpty());
    EXPECT_FALSE(check.output.contains(
        QRegularExpression(QStringLiteral("^Error"), QRegularExpression::MultilineOption)))
        << check.output.toStdString();
}

TEST_F(DicomExportTest, ExportingAgainGivesTheSameFileAndAStillWithoutPatientNone)
{
    const DicomResult first = exportImage(image);
    const DicomResult again = exportImage(image);
    ASSERT_TRUE(first.ok && again.ok);
    EXPECT_EQ(first.path, again.path);
    EXPECT_EQ(first.sopInstanceUid, again.sopInstanceUid);
    QFile file(first.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray firstBytes = file.readAll();
    EXPECT_TRUE(exportImage(image).ok);
    file.seek(0);
    EXPECT_EQ(file.readAll(), firstBytes);
    // A picture of another second is another instance of the same study and series.
    CameraImage later = image;
    later.dateTimeOriginal = later.dateTimeOriginal.addSecs(1);
    const DicomResult other = exportImage(later, QStringLiteral("ORVS0002.JPG"));
    ASSERT_TRUE(other.ok);
    EXPECT_NE(other.sopInstanceUid, first.sopInstanceUid);
    DcmFileFormat a, b;
    ASSERT_TRUE(a.loadFile(OFFilename(qPrintable(first.path))).good() &&
                b.loadFile(OFFilename(qPrintable(other.path))).good());
    for (const DcmTagKey& key : {DCM_StudyInstanceUID, DCM_SeriesInstanceUID}) {
        OFString one, two;
        a.getDataset()->findAndGetOFString(key, one);
        b.getDataset()->findAndGetOFString(key, two);
        EXPECT_FALSE(one.empty());
        EXPECT_EQ(one, two);
    }

    CameraImage anonymous = image;
    anonymous.clearPatient();
    const QString still = dir.filePath(QStringLiteral("card/ORVS0003.JPG"));
    ASSERT_TRUE(testsupport::writeCameraFile(still, anonymous));
    const auto record = ExifOperator().getExifData(still);
    ASSERT_TRUE(record.has_value());
    const DicomResult none = DicomExport::exportStill(still, *record, dir.filePath(QStringLiteral("dicom")));
    EXPECT_FALSE(none.ok);
    EXPECT_TRUE(none.error.contains(QLatin1String("patient ID")));
    QStringList files;
    for (QDirIterator it(dir.filePath(QStringLiteral("dicom")), QDir::Files | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        files << it.next();
    EXPECT_EQ(files.size(), 2) << qPrintable(files.join(QLatin1Char('\n')));
}

TEST_F(DicomExportTest, AJapaneseNameArrivesInUtf8AndThePictureHasNoAppSegmentsAndDecodes)
{
    image.setPatient({.id = QStringLiteral("J-0042"),
                      .alphabeticName = QStringLiteral("YAMADA^TARO^"),
                      .ideographicName = QStringLiteral("山田^太郎^"),
                      .displayName = QStringLiteral("山田 太郎")});
    const DicomResult result = exportImage(image);
    ASSERT_TRUE(result.ok) << result.error.toStdString();

    DcmFileFormat file;
    ASSERT_TRUE(file.loadFile(OFFilename(QFile::encodeName(result.path).constData())).good());
    OFString name;
    file.getDataset()->findAndGetOFString(DCM_PatientName, name);
    EXPECT_EQ(QString::fromUtf8(name.c_str()), QStringLiteral("山田 太郎"));

    DcmElement* element = nullptr;
    ASSERT_TRUE(file.getDataset()->findAndGetElement(DCM_PixelData, element).good());
    DcmPixelSequence* fragments = nullptr;
    const DcmRepresentationParameter* parameters = nullptr;
    ASSERT_TRUE(static_cast<DcmPixelData*>(element)
                    ->getEncapsulatedRepresentation(EXS_JPEGProcess1, parameters, fragments)
                    .good());
    DcmPixelItem* fragment = nullptr;
    ASSERT_TRUE(fragments->getItem(fragment, 1).good());
    Uint8* bytes = nullptr;
    fragment->getUint8Array(bytes);
    const QByteArray jpeg(reinterpret_cast<const char*>(bytes), qsizetype(fragment->getLength()));
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8"));
    EXPECT_TRUE(jpeg.endsWith("\xFF\xD9") ||
                jpeg.chopped(1).endsWith("\xFF\xD9")); // a fragment is padded to even length
    // The header segments up to the scan: none of APP0 to APP15.
    for (qsizetype at = 2; at + 4 <= jpeg.size();) {
        const auto marker = quint8(jpeg[at + 1]);
        EXPECT_FALSE(marker >= 0xE0 && marker <= 0xEF) << "APP segment at " << at;
        if (marker == 0xDA)
            break;
        at += 2 + ((qsizetype(quint8(jpeg[at + 2])) << 8) | quint8(jpeg[at + 3]));
    }
    EXPECT_FALSE(jpeg.contains("Exif"));

    DJDecoderRegistration::registerCodecs();
    DicomImage picture(QFile::encodeName(result.path).constData());
    EXPECT_EQ(picture.getStatus(), EIS_Normal);
    EXPECT_NE(picture.getOutputData(8), nullptr);
    DJDecoderRegistration::cleanup();
}

TEST(DicomJpegStreamTest, RefusesAStreamCutShortAndKeepsEverythingButAppSegments)
{
    const QByteArray still =
        testsupport::buildCameraFile(testsupport::defaultCameraImage(MakerNoteLayout::Extended2));
    const auto stripped = DicomExport::stripAppSegments(still);
    ASSERT_TRUE(stripped.has_value());
    EXPECT_LT(stripped->size(), still.size());
    EXPECT_TRUE(still.endsWith(stripped->mid(stripped->indexOf("\xFF\xDB"))));
    QString why;
    EXPECT_FALSE(DicomExport::stripAppSegments(still.left(still.size() - 2), &why).has_value());
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(DicomExport::stripAppSegments(still.left(100)).has_value());
}

TEST(DicomCommandTest, PrintsALinePerStillAndFailsWhenAnyStillGaveNoFile)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("ORVS0001.JPG"));
    const QString anonymous = dir.filePath(QStringLiteral("ORVS0002.JPG"));
    CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Extended2);
    ASSERT_TRUE(testsupport::writeCameraFile(good, image));
    image.clearPatient();
    ASSERT_TRUE(testsupport::writeCameraFile(anonymous, image));

    QProcess cli;
    cli.start(QString::fromUtf8(TREVASEL_CLI), {QStringLiteral("dicom"), QStringLiteral("--out"),
                                                dir.filePath(QStringLiteral("out")), good, anonymous});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 1);
    const QStringList lines =
        QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(good + QStringLiteral(" -> ") +
                                    dir.filePath(QStringLiteral("out/0000012345/2024-05-14/2.25."))));
    EXPECT_TRUE(lines[1].startsWith(anonymous + QStringLiteral(": "))) << lines[1].toStdString();

    cli.start(QString::fromUtf8(TREVASEL_CLI), {QStringLiteral("dicom")});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 64);
}

} // namespace
