#include "tests/system/MakerNoteCipher.h"
#include "tests/system/TiffWalk.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TREVASEL_CLI_PATH), arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString text(const QByteArray& field)
{
    return QString::fromUtf8(field.left(field.indexOf('\0') < 0 ? field.size() : field.indexOf('\0')));
}

// What a camera file on the card holds, decrypted with its own key.
struct Shot
{
    QString name;
    int makerNoteLength = 0;
    int majorVersion = 0;
    bool littleEndian = false;
    quint8 shootingMode = 0;
    QString blockID; // the patient block: 300 below version 4, 2576 from 4
    QString ideographicName;
};

Shot readShot(const QString& path)
{
    const QByteArray file = readFile(path);
    const auto exif = tiffwalk::readExif(file);
    if (!exif)
        return {};
    const QByteArray stored = exif->tags[0x927C].value;
    const QByteArray date = exif->tags[0x9003].value;
    const QByteArray key =
        stored.mid(2, 8) + date.mid(2, 2) + date.mid(5, 2) + date.mid(8, 2) + date.mid(11, 2);
    QByteArray plain = stored;
    for (const auto& [begin, end] : {std::pair{96, 128}, {288, 448}, {1024, 2048}, {2048, 3072}}) {
        if (end <= plain.size())
            plain = makernotecipher::decryptRange(plain, begin, end, key);
    }
    Shot shot;
    shot.name = QFileInfo(path).fileName();
    shot.makerNoteLength = int(stored.size());
    shot.majorVersion = quint8(stored[0]);
    shot.littleEndian = exif->littleEndian;
    shot.shootingMode = quint8(plain[101]);
    shot.blockID = text(plain.mid(shot.makerNoteLength == 3072 ? 2576 : 300, 20));
    if (shot.makerNoteLength >= 2048)
        shot.ideographicName = text(plain.mid(1118, 196));
    return shot;
}

} // namespace

TEST(SampleCard, WritesTheMarkerAndPrintsOneLinePerFileWritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString card = dir.filePath(QStringLiteral("CARD"));
    const CliRun run = runCli({QStringLiteral("sample-card"), card});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QFileInfo marker(card + QStringLiteral("/ORV_SD"));
    EXPECT_TRUE(marker.isFile());
    EXPECT_EQ(marker.size(), 0);
    EXPECT_TRUE(QFileInfo(card + QStringLiteral("/DCIM/100ORVIS")).isDir());

    QSet<QString> printed;
    for (const QString& line : run.out.split(u'\n', Qt::SkipEmptyParts))
        printed.insert(QFileInfo(line.section(u'\t', 0, 0)).canonicalFilePath());
    QSet<QString> onCard;
    QDirIterator files(card, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        onCard.insert(QFileInfo(files.next()).canonicalFilePath());
    EXPECT_EQ(printed, onCard);
    EXPECT_GE(onCard.size(), 10);
}

TEST(SampleCard, HoldsEveryGenerationAMoviePairAndTheSpecialShots)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const CliRun run = runCli({QStringLiteral("sample-card"), dir.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    QList<Shot> shots;
    QDirIterator files(dir.path() + QStringLiteral("/DCIM"),
                       {QStringLiteral("*.JPG"), QStringLiteral("*.MIF")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const Shot shot = readShot(path);
        ASSERT_GT(shot.makerNoteLength, 0) << path.toStdString();
        shots.append(shot);
        if (path.endsWith(QStringLiteral(".MIF"))) {
            EXPECT_TRUE(QFileInfo::exists(path.chopped(4) + QStringLiteral(".MOV")))
                << "movie beside " << path.toStdString();
            EXPECT_GE(shot.majorVersion, 4) << "only version 4 cameras record movies";
        }
    }

    const auto any = [&shots](const auto& predicate) {
        return std::any_of(shots.cbegin(), shots.cend(), predicate);
    };
    EXPECT_TRUE(any(
        [](const Shot& s) { return s.makerNoteLength == 1024 && !s.littleEndian && s.majorVersion < 2; }));
    EXPECT_TRUE(any(
        [](const Shot& s) { return s.makerNoteLength == 2048 && !s.littleEndian && s.majorVersion == 2; }));
    EXPECT_TRUE(any(
        [](const Shot& s) { return s.makerNoteLength == 3072 && s.littleEndian && s.majorVersion == 4; }));
    EXPECT_TRUE(any([](const Shot& s) { return s.ideographicName == QStringLiteral("山田^太郎^"); }));
    EXPECT_TRUE(any([](const Shot& s) { return s.shootingMode == 0xFE && !s.blockID.isEmpty(); }))
        << "a patient-information image";
    EXPECT_TRUE(any([](const Shot& s) { return s.blockID.isEmpty(); })) << "an image without patient ID";
    QSet<QString> patients;
    for (const Shot& shot : shots)
        patients.insert(shot.blockID);
    EXPECT_GE(patients.size(), 4) << "several patients and one without";
}

TEST(SampleCard, FailsWithAMessageWhenTheCardFolderCannotBeWritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const CliRun run = runCli({QStringLiteral("sample-card"), dir.filePath(QStringLiteral("file/CARD"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("cannot write"))) << run.err.toStdString();

    EXPECT_EQ(runCli({QStringLiteral("sample-card")}).exitCode, 64) << "a card folder is required";
}
