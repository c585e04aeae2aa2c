#include "camerafiles/CameraFileWriter.h"

#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::CameraImage;
using testsupport::FileKind;
using testsupport::MakerNoteLayout;

namespace testsupport {
inline void PrintTo(MakerNoteLayout layout, std::ostream* out)
{
    *out << (layout == MakerNoteLayout::Legacy     ? "Legacy"
             : layout == MakerNoteLayout::Extended ? "Extended"
                                                   : "Extended2");
}
} // namespace testsupport

namespace {

struct Exiv2Output
{
    int exitCode = -1;
    QString out;
    QString err;
};

Exiv2Output runExiv2(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("exiv2"), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class ExifInterop : public testing::TestWithParam<MakerNoteLayout>
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QTemporaryDir m_dir;
};

INSTANTIATE_TEST_SUITE_P(AllLayouts, ExifInterop,
                         testing::Values(MakerNoteLayout::Legacy, MakerNoteLayout::Extended,
                                         MakerNoteLayout::Extended2));

} // namespace

// exiv2 walks the JPEG segments and the IFDs itself, so it checks the file's structure, not just our
// reading of it.
TEST_P(ExifInterop, Exiv2ReadsMakeModelAndDateTimeOriginalBack)
{
    if (QStandardPaths::findExecutable(QStringLiteral("exiv2")).isEmpty())
        GTEST_SKIP() << "exiv2 is not installed";
    CameraImage still = testsupport::defaultCameraImage(GetParam());
    still.dateTimeOriginal = QDateTime(QDate(2023, 11, 2), QTime(8, 5, 9));
    CameraImage large = testsupport::defaultCameraImage(GetParam());
    large.targetFileSize = 3'000'000;
    const CameraImage movieIndex = testsupport::defaultCameraImage(GetParam(), FileKind::MovieIndex);

    const QList<std::pair<QString, CameraImage>> files{{QStringLiteral("ORVS0001.JPG"), still},
                                                       {QStringLiteral("ORVS0002.JPG"), large},
                                                       {QStringLiteral("ORVS0003.MIF"), movieIndex}};
    for (const auto& [name, image] : files) {
        const QString path = m_dir.filePath(name);
        ASSERT_TRUE(testsupport::writeCameraFile(path, image));
        const Exiv2Output exiv2 = runExiv2(
            {QStringLiteral("-q"), QStringLiteral("-Pkv"), QStringLiteral("-K"),
             QStringLiteral("Exif.Image.Make"), QStringLiteral("-K"), QStringLiteral("Exif.Image.Model"),
             QStringLiteral("-K"), QStringLiteral("Exif.Photo.DateTimeOriginal"), QStringLiteral("-K"),
             QStringLiteral("Exif.Photo.MakerNote"), path});
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(exiv2.exitCode, 0) << exiv2.err.toStdString();
        EXPECT_TRUE(exiv2.err.isEmpty()) << exiv2.err.toStdString();
        const QStringList lines = exiv2.out.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4) << exiv2.out.toStdString();
        EXPECT_EQ(lines[0].simplified(), QStringLiteral("Exif.Image.Make KORVA INC."));
        EXPECT_EQ(lines[1].simplified(), QStringLiteral("Exif.Image.Model ") + image.model);
        EXPECT_EQ(lines[2].simplified(),
                  QStringLiteral("Exif.Photo.DateTimeOriginal ") +
                      image.dateTimeOriginal.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")));
        EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Exif.Photo.MakerNote")));
    }
}

TEST_P(ExifInterop, QtDecodesTheStillAndTheMovieIndexAsJpegPictures)
{
    for (const FileKind kind : {FileKind::Still, FileKind::MovieIndex}) {
        const QString path =
            m_dir.filePath(kind == FileKind::Still ? QStringLiteral("a.JPG") : QStringLiteral("a.MIF"));
        ASSERT_TRUE(testsupport::writeCameraFile(path, testsupport::defaultCameraImage(GetParam(), kind)));
        QImageReader reader(path, "jpeg");
        const QImage picture = reader.read();
        ASSERT_FALSE(picture.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(picture.size(), kind == FileKind::Still ? QSize(640, 480) : QSize(160, 120));
    }
}

TEST(ExifInterop, QtDecodesTheLargePictureOfATargetSize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Extended2);
    image.targetFileSize = 3'000'000;
    const QString path = dir.filePath(QStringLiteral("large.JPG"));
    ASSERT_TRUE(testsupport::writeCameraFile(path, image));
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage picture = reader.read();
    ASSERT_FALSE(picture.isNull()) << reader.errorString().toStdString();
    EXPECT_GE(picture.width(), 1000) << "the size should come from the picture, not from padding";
}
