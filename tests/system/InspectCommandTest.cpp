// "trevasel-cli inspect" on a whole sample card, as the practice's IT person would run it.
#include "tests/system/CliRun.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

CliRun runCli(const QStringList& arguments)
{
    return runTrevaselCli(arguments);
}

class InspectCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(runCli({QStringLiteral("sample-card"), m_dir.path()}).exitCode, 0);
        QDirIterator it(m_dir.path(), {QStringLiteral("*.JPG"), QStringLiteral("*.MIF")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            m_files << it.next();
        m_files.sort();
        ASSERT_GE(m_files.size(), 8);
    }

    // The JSON lines of a run, by file, checking that every line is one well-formed object.
    static QMap<QString, QJsonValue> recordsOf(const QByteArray& out)
    {
        QMap<QString, QJsonValue> records;
        for (const QByteArray& line : out.split('\n')) {
            if (line.isEmpty())
                continue;
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line.constData();
            records.insert(document.object().value(QStringLiteral("file")).toString(),
                           document.object().value(QStringLiteral("record")));
        }
        return records;
    }

    QString fileNamed(const QString& name) const
    {
        for (const QString& file : m_files)
            if (file.endsWith(name))
                return file;
        return QString();
    }

    QTemporaryDir m_dir;
    QStringList m_files;
};

} // namespace

TEST_F(InspectCommand, ReadsEveryPictureOfTheCardAndExitsZero)
{
    const CliRun run = runCli(QStringList{QStringLiteral("inspect")} + m_files);
    EXPECT_EQ(run.exitCode, 0);
    const auto records = recordsOf(run.out);
    ASSERT_EQ(records.size(), m_files.size());
    for (const QString& file : m_files)
        EXPECT_TRUE(records.value(file).isObject()) << qPrintable(file);

    const QJsonObject legacy = records.value(fileNamed(QStringLiteral("ORVS0001.JPG"))).toObject();
    EXPECT_EQ(legacy.value(QStringLiteral("model")).toString().trimmed(), QStringLiteral("Orthavisio K-22"));
    EXPECT_EQ(legacy.value(QStringLiteral("maker")).toString(), QString::fromLatin1("KORVA INC.\0", 11));
    EXPECT_FALSE(legacy.contains(QStringLiteral("extendedMakerNoteEntity"))) << "absent fields are omitted";
    EXPECT_FALSE(legacy.contains(QStringLiteral("owner")));

    const QJsonObject fourth = records.value(fileNamed(QStringLiteral("ORVS0005.JPG"))).toObject();
    EXPECT_EQ(fourth.value(QStringLiteral("patientName")).toString(), QStringLiteral("山田 太郎"));
    const QJsonObject entity = fourth.value(QStringLiteral("extendedMakerNoteEntity")).toObject();
    EXPECT_EQ(entity.value(QStringLiteral("majorVersion")).toString(), QStringLiteral("4"));
    EXPECT_EQ(entity.value(QStringLiteral("totalCount")).toString(), QStringLiteral("300"));
    EXPECT_FALSE(entity.contains(QStringLiteral("imageSize")));

    const QJsonObject movie = records.value(fileNamed(QStringLiteral("ORVS0008.MIF"))).toObject();
    EXPECT_FALSE(movie.isEmpty()) << "the movie index beside its movie";
}

TEST_F(InspectCommand, FileWithoutRecordGivesNullAndExitOne)
{
    QFile notes(m_dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();
    const CliRun run = runCli({QStringLiteral("inspect"), m_files.first(), notes.fileName(),
                               m_dir.filePath(QStringLiteral("missing.JPG"))});
    EXPECT_EQ(run.exitCode, 1);
    const auto records = recordsOf(run.out);
    ASSERT_EQ(records.size(), 3);
    EXPECT_TRUE(records.value(m_files.first()).isObject());
    EXPECT_TRUE(records.value(notes.fileName()).isNull());
}

TEST_F(InspectCommand, BasicReadsOnlyTheBigEndianStillsBelowVersionTwoPointOne)
{
    const CliRun run = runCli(QStringList{QStringLiteral("inspect"), QStringLiteral("--basic")} + m_files);
    EXPECT_EQ(run.exitCode, 1);
    const auto records = recordsOf(run.out);
    const QJsonObject legacy = records.value(fileNamed(QStringLiteral("ORVS0001.JPG"))).toObject();
    EXPECT_FALSE(legacy.isEmpty());
    EXPECT_FALSE(legacy.contains(QStringLiteral("productNumberString")))
        << "not a field of the basic edition";
    EXPECT_TRUE(records.value(fileNamed(QStringLiteral("ORVS0005.JPG"))).isNull()) << "little-endian";
}

TEST_F(InspectCommand, UsageErrorsAndHelp)
{
    EXPECT_EQ(runCli({QStringLiteral("inspect")}).exitCode, 64);
    EXPECT_EQ(runCli({QStringLiteral("inspect"), QStringLiteral("--frobnicate"), m_files.first()}).exitCode,
              64);
    const CliRun help = runCli({QStringLiteral("inspect"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--basic"));
}

TEST(TrevaselCli, VersionPrintsTheProgramAndItsVersion)
{
    const CliRun run = runCli({QStringLiteral("--version")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("trevasel-cli " TREVASEL_VERSION "\n"));
}

TEST_F(InspectCommand, SummaryGivesOneLinePerFileAndSaysWhyAFileGaveNoRecord)
{
    QFile notes(m_dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture, but long enough to be looked at");
    notes.close();
    const QString fourth = fileNamed(QStringLiteral("ORVS0005.JPG"));
    const QString missing = m_dir.filePath(QStringLiteral("missing.JPG"));
    const CliRun run = runCli({QStringLiteral("inspect"), QStringLiteral("--summary"), fourth,
                               notes.fileName(), missing, m_dir.path()});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = QString::fromUtf8(run.out).trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4) << run.out.constData();
    const QRegularExpression still(
        QRegularExpression::escape(fourth) +
        QStringLiteral(": Orthavisio K-44, maker note 4\\.0, serial \\w+, patient 0000034567 "
                       "\"山田 太郎\", shooting mode 00, shot 2024:05:14 10:15:00$"));
    EXPECT_TRUE(still.match(lines[0]).hasMatch()) << qPrintable(lines[0]);
    EXPECT_EQ(lines[1], notes.fileName() +
                            QStringLiteral(": no record: not a camera picture (no TIFF header at byte 12)"));
    EXPECT_EQ(lines[2], missing + QStringLiteral(": no record: no such file"));
    EXPECT_EQ(lines[3], m_dir.path() + QStringLiteral(": no record: not a regular file"));

    // A movie index whose movie is gone is refused for that reason, not as damaged.
    const QString index = fileNamed(QStringLiteral("ORVS0008.MIF"));
    ASSERT_TRUE(QFile::remove(QString(index).replace(QStringLiteral(".MIF"), QStringLiteral(".MOV"))));
    const CliRun movie = runCli({QStringLiteral("inspect"), QStringLiteral("--summary"), index});
    EXPECT_EQ(movie.out.trimmed(),
              (index + QStringLiteral(": no record: a movie index without its movie beside it")).toUtf8());
}
