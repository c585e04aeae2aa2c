// "trevasel-cli verify" as the IT person runs it against a store and its history.
#include "HistoryTestSupport.h"

#include "platform/ContentHash.h"

#include <QDir>
#include <QFile>

namespace {

struct VerifyRun
{
    int exitCode = -1;
    QString out;
    QByteArray err;
};

TEST(VerifyCommand, FindsAChangedByteAndAMissingPictureAndPassesACleanStore)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The default database, under a HOME of the test's own.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    const QString database = dir.filePath(QStringLiteral("data/TrevaselForPravena/Trevasel.db"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(database).absolutePath()));
    ASSERT_TRUE(HistoryDatabase::createIfMissing(database));
    const auto verify = [&environment](const QStringList& arguments) {
        QProcess cli;
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(TREVASEL_CLI_PATH), QStringList{QStringLiteral("verify")} + arguments);
        VerifyRun run;
        if (cli.waitForFinished(60000) && cli.exitStatus() == QProcess::NormalExit)
            run.exitCode = cli.exitCode();
        run.out = QString::fromUtf8(cli.readAllStandardOutput());
        run.err = cli.readAllStandardError();
        return run;
    };

    // Three pictures, the last imported a day later; one was imported twice under the same name.
    const QString store = dir.filePath(QStringLiteral("store/0001 山田"));
    ASSERT_TRUE(QDir().mkpath(store));
    const ImportedFileDao history(database);
    const QStringList pictures = {store + QStringLiteral("/a.JPG"), store + QStringLiteral("/b.JPG"),
                                  store + QStringLiteral("/c.JPG")};
    for (qsizetype index = 0; index < pictures.size(); ++index) {
        QFile file(pictures[index]);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(QByteArray(5000 + index, static_cast<char>('a' + index))), 5000 + index);
        file.close();
        qint64 size = 0;
        const auto hash = ContentHasher::ofFile(pictures[index], &size);
        ASSERT_TRUE(hash);
        if (index == 0) { // an earlier picture under the same name, since replaced
            ASSERT_TRUE(history.insertPictureHash(
                {std::nullopt, pictures[index], 7, QString(32, QLatin1Char('f')), 20240101090000}));
        }
        ASSERT_TRUE(history.insertPictureHash({std::nullopt, pictures[index], size, hash->toHex(),
                                               index < 2 ? 20240101120000 : 20240102080000}));
    }

    VerifyRun run = verify({});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("checked 3 pictures: 3 fine, 0 changed, 0 missing, 0 unreadable\n"));
    EXPECT_TRUE(run.err.isEmpty()) << "no progress when standard error is no terminal";

    QFile changed(pictures[0]);
    ASSERT_TRUE(changed.open(QIODevice::ReadWrite) && changed.seek(2500) && changed.write("X", 1) == 1);
    changed.close();
    ASSERT_TRUE(QFile::remove(pictures[1]));
    run = verify({QStringLiteral("--database"), database});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QStringLiteral("changed: %1: the bytes differ from the recorded hash\n"
                                      "missing: %2\n"
                                      "checked 3 pictures: 1 fine, 1 changed, 1 missing, 0 unreadable\n")
                           .arg(pictures[0], pictures[1]));

    run = verify({QStringLiteral("--since"), QStringLiteral("2024-01-02")});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("checked 1 pictures: 1 fine"))) << run.out.toStdString();
    ASSERT_TRUE(changed.open(QIODevice::Append) && changed.write("Y", 1) == 1);
    changed.close();
    EXPECT_TRUE(verify({}).out.startsWith(
        QStringLiteral("changed: %1: size 5001 bytes, recorded 5000\n").arg(pictures[0])));

    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--since"), QStringLiteral("2024-13-01")},
          QStringList{QStringLiteral("--since"), QStringLiteral("20240101")},
          QStringList{QStringLiteral("extra")}, QStringList{QStringLiteral("--database")},
          QStringList{QStringLiteral("--unknown")},
          QStringList{QStringLiteral("--database"), dir.filePath(QStringLiteral("missing.db"))}}) {
        run = verify(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("missing.db"))));
}

} // namespace
