// "trevasel-cli history" as the IT person runs it.
#include "HistoryTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

using historytest::HistoryFixture;
using historytest::importedFile;

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runHistory(const QStringList& arguments,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(TREVASEL_CLI_PATH), QStringList{QStringLiteral("history")} + arguments);
    CliRun run;
    if (cli.waitForFinished(60000) && cli.exitStatus() == QProcess::NormalExit)
        run.exitCode = cli.exitCode();
    run.out = cli.readAllStandardOutput();
    run.err = cli.readAllStandardError();
    return run;
}

std::vector<QJsonObject> jsonLines(const QByteArray& output)
{
    std::vector<QJsonObject> lines;
    for (const QByteArray& line : output.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        lines.push_back(document.object());
    }
    return lines;
}

class HistoryCommand : public HistoryFixture
{
protected:
    void SetUp() override
    {
        HistoryFixture::SetUp();
        const ImportedFileDao history(m_path);
        ASSERT_TRUE(history.insert(
            importedFile(QStringLiteral("P/O'Brien \"1\".JPG"), QStringLiteral("SN-1"), 20240101115959)));
        ASSERT_TRUE(history.insert(
            importedFile(QStringLiteral("P/山田.JPG"), QStringLiteral("SN-1"), 20240101120000)));
        ImportedFileEntity absentCamera = importedFile(QStringLiteral("P/c.JPG"), QString(), 20240101120001);
        ASSERT_TRUE(history.insert(absentCamera));
    }
};

TEST_F(HistoryCommand, ListPrintsEveryRowAsOneJsonObject)
{
    const CliRun run = runHistory({QStringLiteral("list"), QStringLiteral("--database"), m_path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto rows = jsonLines(run.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].value(QStringLiteral("id")).toInteger(), 1);
    EXPECT_EQ(rows[0].value(QStringLiteral("file_name")).toString(), QStringLiteral("P/O'Brien \"1\".JPG"));
    EXPECT_EQ(rows[0].value(QStringLiteral("camera_id")).toString(), QStringLiteral("SN-1"));
    EXPECT_EQ(rows[0].value(QStringLiteral("datetime")).toInteger(), 20240101115959);
    EXPECT_EQ(rows[0].value(QStringLiteral("original_file_name")).toString(),
              QStringLiteral("/media/card/DCIM/O'Brien \"1\".JPG"));
    EXPECT_EQ(rows[0].value(QStringLiteral("transferred_folder")).toString(),
              QStringLiteral("/srv/pictures/P"));
    EXPECT_EQ(rows[1].value(QStringLiteral("file_name")).toString(), QStringLiteral("P/山田.JPG"));
    EXPECT_EQ(rows[2].value(QStringLiteral("camera_id")).toString(QStringLiteral("?")), QString());
}

TEST_F(HistoryCommand, PurgeBeforeDeletesUpToAndIncludingTheGivenTime)
{
    const CliRun run = runHistory({QStringLiteral("purge-before"), QStringLiteral("20240101120000"),
                                   QStringLiteral("--database=") + m_path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("purged 2 rows")) << run.out.toStdString();
    const auto rows = ImportedFileDao(m_path).findAll();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(dynamic_cast<const ImportedFileEntity&>(*rows.front()).datetime, 20240101120001);
}

TEST_F(HistoryCommand, UsageErrorsExitWith64AndChangeNothing)
{
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("purge-before"), QStringLiteral("2024010112000")},
          QStringList{QStringLiteral("purge-before"), QStringLiteral("20241301120000")},
          QStringList{QStringLiteral("purge-before"), QStringLiteral("2024-01-01 12:00")},
          QStringList{QStringLiteral("purge-before")},
          QStringList{QStringLiteral("list"), QStringLiteral("extra")}, QStringList{QStringLiteral("drop")},
          QStringList{QStringLiteral("list"), QStringLiteral("--database")}}) {
        const QStringList withDatabase = arguments.contains(QStringLiteral("--database"))
                                             ? arguments
                                             : arguments + QStringList{QStringLiteral("--database"), m_path};
        const CliRun run = runHistory(withDatabase);
        EXPECT_EQ(run.exitCode, 64) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.err.contains("usage:"));
    }
    EXPECT_EQ(ImportedFileDao(m_path).findAll().size(), 3u);
    EXPECT_EQ(runHistory({QStringLiteral("--help")}).exitCode, 0);
}

TEST_F(HistoryCommand, AMissingOrDamagedDatabaseIsReportedAndNotCreated)
{
    const QString missing = m_dir.filePath(QStringLiteral("missing.db"));
    for (const char* action : {"list", "purge-before"}) {
        QStringList arguments{QString::fromLatin1(action), QStringLiteral("--database"), missing};
        if (arguments.front() == QLatin1String("purge-before"))
            arguments << QStringLiteral("20240101000000");
        const CliRun run = runHistory(arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("does not exist")) << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(missing));

    QFile damaged(m_dir.filePath(QStringLiteral("damaged.db")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(4096, 'x')) == 4096);
    damaged.close();
    const CliRun run = runHistory({QStringLiteral("list"), QStringLiteral("--database"), damaged.fileName()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(HistoryCommand, TheDefaultDatabaseIsTheFullEditionsOne)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    const QString folder = m_dir.filePath(QStringLiteral("data/TrevaselForPravena"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(HistoryDatabase::checkpoint(m_path));
    ASSERT_TRUE(QFile::copy(m_path, folder + QStringLiteral("/Trevasel.db")));
    const CliRun run = runHistory({QStringLiteral("list")}, environment);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(jsonLines(run.out).size(), 3u);
}

} // namespace
