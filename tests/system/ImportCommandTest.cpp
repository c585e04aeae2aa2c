// "trevasel-cli import" on a whole sample card, run as a separate program.
#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "camerafiles/CameraFileWriter.h"
#include "tests/system/CliRun.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class ImportCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_EQ(runCli({QStringLiteral("sample-card"), path(QStringLiteral("card"))}).exitCode, 0);
        m_settings = {{QLatin1String(SettingsKey::destinationFolderPath), path(QStringLiteral("pictures"))},
                      {QLatin1String(SettingsKey::dontSendPatientInformationImage), true},
                      {QLatin1String(SettingsKey::exportXml), true}};
    }

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    CliRun runCli(const QStringList& arguments) const { return runTrevaselCli(arguments, m_dir.path()); }

    CliRun import(const QStringList& extra = {}, const QStringList& sources = {QStringLiteral("card")}) const
    {
        EXPECT_TRUE(PropertyList::writeFile(path(QStringLiteral("settings.plist")), m_settings));
        QStringList arguments{QStringLiteral("import"), QStringLiteral("--settings"),
                              path(QStringLiteral("settings.plist")), QStringLiteral("--database"),
                              path(QStringLiteral("Trevasel.db"))};
        arguments << extra;
        for (const QString& source : sources)
            arguments << path(source);
        return runCli(arguments);
    }

    QStringList picturesArrived() const
    {
        QStringList files;
        QDirIterator it(path(QStringLiteral("pictures")), QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(path(QStringLiteral("pictures"))).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    QTemporaryDir m_dir;
    QVariantMap m_settings;
};

const QStringList wholeCard{
    QStringLiteral("0000012345 SATO HANAKO/2024-05-14 090012_Std.JPG"),
    QStringLiteral("0000012345 SATO HANAKO/2024-05-14 090140_Mirr_FLP.JPG"),
    QStringLiteral("0000023456 JOHN A SMITH/2024-05-14 093005_Srg.JPG"),
    QStringLiteral("0000023456 JOHN A SMITH/2024-05-14 093150_Std_COL_D.JPG"),
    QStringLiteral("0000034567 山田 太郎/2024-05-14 101500_Std-C1.JPG"),
    QStringLiteral("0000034567 山田 太郎/2024-05-14 101622_Mirr_FLP.JPG"),
    QStringLiteral("0000034567 山田 太郎/2024-05-14 102045_Mov.MIF"),
    QStringLiteral("0000034567 山田 太郎/2024-05-14 102045_Mov.MOV"),
    QStringLiteral("deliver/0000012345 SATO HANAKO.BIX"),
    QStringLiteral("deliver/0000023456 JOHN A SMITH.BIX"),
    QStringLiteral("deliver/0000034567 山田 太郎.BIX"),
};

} // namespace

TEST_F(ImportCommand, WithHistoryTheCardIsImportedOnceEvenAfterTheCopiesAreGone)
{
    m_settings.insert(QLatin1String(SettingsKey::activateAvoidMultipleImportCheck), true);
    const CliRun first = import();
    EXPECT_EQ(first.exitCode, 0) << first.err.constData();
    EXPECT_EQ(first.lastLine(), "transferred: 7");
    EXPECT_EQ(picturesArrived(), wholeCard);

    const CliRun second = import();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.lastLine(), "transferred: 0");
    EXPECT_EQ(picturesArrived(), wholeCard);

    ASSERT_TRUE(QDir(path(QStringLiteral("pictures"))).removeRecursively());
    const CliRun third = import();
    EXPECT_EQ(third.exitCode, 0);
    EXPECT_EQ(third.lastLine(), "transferred: 0");
    EXPECT_TRUE(picturesArrived().isEmpty());
}

TEST_F(ImportCommand, WithoutHistoryEachPictureFindsItselfInTheDestination)
{
    EXPECT_EQ(import().lastLine(), "transferred: 7");
    const CliRun second = import();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.lastLine(), "transferred: 0");
    EXPECT_EQ(picturesArrived(), wholeCard);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("Trevasel.db")))) << "no history asked for";
}

TEST_F(ImportCommand, BasicEditionTakesTheK22FamilyFolderByFolder)
{
    const CliRun run = import({QStringLiteral("--basic")},
                              {QStringLiteral("card/DCIM/100ORVIS"), QStringLiteral("card/DCIM/101ORVIS")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(picturesArrived(), wholeCard.mid(0, 4));
    EXPECT_EQ(run.lastLine(), "transferred: 4");
}

TEST_F(ImportCommand, FailedBatchExitsWithTwoTheReasonAndTheCountOfPicturesThatArrived)
{
    // Block the folder of whichever patient the folder lists second, so that one picture arrives
    // before the failure whatever order the filesystem lists the card in.
    const QStringList order =
        QDir(path(QStringLiteral("card/DCIM/100ORVIS"))).entryList(QDir::Files, QDir::Unsorted);
    ASSERT_EQ(order.size(), 4);
    const bool satoFirst =
        order.first() == QLatin1String("ORVS0001.JPG") || order.first() == QLatin1String("ORVS0002.JPG");
    const QString blocked =
        satoFirst ? QStringLiteral("0000023456 JOHN A SMITH") : QStringLiteral("0000012345 SATO HANAKO");
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("pictures"))));
    QFile plain(path(QStringLiteral("pictures/") + blocked));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    m_settings.insert(QLatin1String(SettingsKey::exportXml), false);

    const CliRun run = import({}, {QStringLiteral("card/DCIM/100ORVIS")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(blocked.toUtf8())) << run.err.constData();
    const qsizetype arrived = picturesArrived().filter(QStringLiteral(".JPG")).size();
    EXPECT_GE(arrived, 1);
    EXPECT_EQ(run.lastLine(), "transferred: " + std::to_string(arrived));
}

TEST_F(ImportCommand, UsageErrorsSayWhatIsWrongAndImportNothingButHelpWins)
{
    const CliRun missing =
        runCli({QStringLiteral("import"), path(QStringLiteral("card")), QStringLiteral("--settings")});
    EXPECT_EQ(missing.exitCode, 64);
    EXPECT_TRUE(missing.err.startsWith("trevasel-cli import: --settings needs a file\n\nusage: "))
        << missing.err.constData();
    const CliRun unknown = import({QStringLiteral("--frobnicate")});
    EXPECT_EQ(unknown.exitCode, 64);
    EXPECT_TRUE(unknown.err.startsWith("trevasel-cli import: unknown option '--frobnicate'\n"))
        << unknown.err.constData();
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("pictures"))));

    const CliRun help = import({QStringLiteral("--frobnicate"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("usage: trevasel-cli import --settings FILE")) << help.out.constData();
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("pictures"))));
}

// A kill at any moment of a move to another filesystem, most likely while a copy is being read back
// from the disk, loses nothing: the run after it brings every picture in once and whole, and the card
// ends empty.
TEST_F(ImportCommand, AKillDuringVerifiedCopiesLosesNothingOnTheNextRun)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/trevasel-kill-XXXXXX"));
    const QString store = other.isValid() ? other.path() : path(QStringLiteral("pictures"));
    m_settings.insert(QLatin1String(SettingsKey::destinationFolderPath), store);
    m_settings.insert(QLatin1String(SettingsKey::deleteOriginalImage), true);
    m_settings.insert(QLatin1String(SettingsKey::activateAvoidMultipleImportCheck), true);
    m_settings.insert(QLatin1String(SettingsKey::exportXml), false);
    ASSERT_TRUE(PropertyList::writeFile(path(QStringLiteral("settings.plist")), m_settings));
    QSet<QByteArray> originals;
    constexpr int stills = 80;
    for (int i = 0; i < stills; ++i) {
        testsupport::CameraImage image =
            testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Extended2);
        image.dateTimeOriginal = QDateTime(QDate(2024, 5, 14), QTime(10, 30 + i / 60, i % 60));
        image.targetFileSize = 1024 * 1024;
        const QByteArray bytes = testsupport::buildCameraFile(image);
        originals.insert(bytes);
        QFile file(path(QStringLiteral("big/ORVS%1.JPG").arg(i, 4, 10, QLatin1Char('0'))));
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("big"))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    const auto storeFiles = [&] {
        QStringList files;
        QDirIterator it(store, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    };

    QProcess first;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(TREVASEL_CLI_PATH),
                {QStringLiteral("import"), QStringLiteral("--settings"),
                 path(QStringLiteral("settings.plist")), QStringLiteral("--database"),
                 path(QStringLiteral("Trevasel.db")), path(QStringLiteral("big"))});
    ASSERT_TRUE(first.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (storeFiles().filter(QStringLiteral(".JPG")).size() < 3 && first.state() == QProcess::Running &&
           waited.elapsed() < 60000)
        QThread::msleep(2);
    first.kill();
    first.waitForFinished();

    const CliRun second = import({}, {QStringLiteral("big")});
    EXPECT_EQ(second.exitCode, 0) << second.err.constData();
    const QStringList arrived = storeFiles();
    EXPECT_EQ(arrived.size(), stills) << qPrintable(arrived.join(u'\n'));
    QSet<QByteArray> contents;
    for (const QString& file : arrived) {
        QFile picture(file);
        EXPECT_TRUE(picture.open(QIODevice::ReadOnly));
        contents.insert(picture.readAll());
    }
    EXPECT_EQ(contents, originals) << "every picture once and whole";
    EXPECT_TRUE(QDir(path(QStringLiteral("big"))).isEmpty());
}
