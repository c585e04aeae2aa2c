#include "metadata/CameraModelCheck.h"

#include <gtest/gtest.h>

namespace {

ExifEntity cameraRecord(const QString& model)
{
    ExifEntity record;
    record.imageDescription = QStringLiteral("KORVA DENTAL DIGITAL CAMERA");
    record.maker = QString::fromLatin1("KORVA INC.\0", 11);
    record.model = model.leftJustified(19, QLatin1Char(' '));
    return record;
}

} // namespace

TEST(CameraModelCheck, AcceptsTheThreeModelsPaddedToTheirWidth)
{
    for (const char* model : {"Orthavisio K-22", "Orthavisio K-222", "Orthavisio K-44"})
        EXPECT_TRUE(CameraModelCheck::checkValidImageData(cameraRecord(QString::fromLatin1(model)))) << model;
    EXPECT_FALSE(CameraModelCheck::checkValidImageData(cameraRecord(QStringLiteral("Orthavisio K-2"))));
}

TEST(CameraModelCheck, TrimsSpacesAndTabsButNotZeroBytesOrLineBreaks)
{
    EXPECT_TRUE(CameraModelCheck::checkValidImageData(cameraRecord(QStringLiteral("\tOrthavisio K-44\t"))));
    EXPECT_FALSE(CameraModelCheck::checkValidImageData(cameraRecord(QStringLiteral("Orthavisio K-44\n"))));
    EXPECT_FALSE(
        CameraModelCheck::checkValidImageData(cameraRecord(QString::fromLatin1("Orthavisio K-44\0", 16))));
}

TEST(CameraModelCheck, WrongMakerOrDescriptionOrMissingFieldIsNotTheCamera)
{
    ExifEntity record = cameraRecord(QStringLiteral("Orthavisio K-44"));
    record.maker = QStringLiteral("OTHER INC. ");
    EXPECT_FALSE(CameraModelCheck::checkValidImageData(record));
    record = cameraRecord(QStringLiteral("Orthavisio K-44"));
    record.imageDescription.reset();
    EXPECT_FALSE(CameraModelCheck::checkValidImageData(record));
}

TEST(CameraModelCheck, BasicEditionAcceptsAnyModelContainingTheFirstModel)
{
    EXPECT_TRUE(CameraModelCheck::checkValidImageDataBasic(cameraRecord(QStringLiteral("Orthavisio K-22"))));
    EXPECT_TRUE(CameraModelCheck::checkValidImageDataBasic(cameraRecord(QStringLiteral("Orthavisio K-222"))));
    EXPECT_FALSE(CameraModelCheck::checkValidImageDataBasic(cameraRecord(QStringLiteral("Orthavisio K-44"))));
}
