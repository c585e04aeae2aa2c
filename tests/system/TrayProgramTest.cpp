// The tray programs as a practice runs them: started with no arguments, offscreen, with a temporary
// home, XDG folders and volumes folder; a card is a folder renamed into the volumes folder. Each test
// runs its own copy of the program, so the transferring marker beside it is the test's own.
#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "camerafiles/CameraFileWriter.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>

namespace {

using testsupport::CameraImage;

class TrayProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* folder : {"home", "data", "config", "cache", "run", "volumes", "pictures", "cards"})
            ASSERT_TRUE(QDir().mkpath(path(QString::fromLatin1(folder))));
        QFile::setPermissions(path(QStringLiteral("run")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    void TearDown() override
    {
        for (QProcess* process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
            delete process;
        }
    }

    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    QString settingsFile(bool basic) const
    {
        return basic ? path(QStringLiteral("home/.Trevasel/Trevasel-setting.plist"))
                     : path(QStringLiteral("data/TrevaselForPravena/Trevasel-setting.plist"));
    }
    // The edition's default settings with the scenario's keys, as a first start.
    void writeSettings(bool basic, const QVariantMap& changes)
    {
        auto settings =
            PropertyList::readFile(QStringLiteral(TREVASEL_SOURCE_DIR) +
                                   (basic ? QStringLiteral("/resources/basic/Trevasel-setting.plist")
                                          : QStringLiteral("/resources/full/Trevasel-setting.plist")));
        ASSERT_TRUE(settings.has_value());
        settings->insert(QLatin1String(SettingsKey::destinationFolderPath), path(QStringLiteral("pictures")));
        settings->insert(QLatin1String(SettingsKey::confirmBeforeSending), 0);
        settings->insert(QLatin1String(SettingsKey::deleteOriginalImage), false);
        settings->insert(QLatin1String(SettingsKey::lastBuildNumber), QStringLiteral("0"));
        for (auto it = changes.begin(); it != changes.end(); ++it)
            settings->insert(it.key(), it.value());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsFile(basic)).absolutePath()));
        ASSERT_TRUE(PropertyList::writeFile(settingsFile(basic), *settings));
    }
    // The program's own copy in the test's folder (a hard link where the filesystem allows).
    QString program(bool basic)
    {
        const QString original =
            basic ? QStringLiteral(TREVASEL_BASIC_PATH) : QStringLiteral(TREVASEL_FULL_PATH);
        const QString copy = path(QStringLiteral("program/") + QFileInfo(original).fileName());
        if (!QFileInfo::exists(copy)) {
            EXPECT_TRUE(QDir().mkpath(path(QStringLiteral("program"))));
            std::error_code error;
            std::filesystem::create_hard_link(original.toStdString(), copy.toStdString(), error);
            if (error) {
                EXPECT_TRUE(QFile::copy(original, copy));
            }
        }
        return copy;
    }
    QString transferringMarker() const { return path(QStringLiteral("program/$TMP")); }
    QProcess* start(bool basic, const QMap<QString, QString>& extra = {})
    {
        auto* process = new QProcess();
        m_processes << process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QMap<QString, QString> variables{
            {QStringLiteral("HOME"), path(QStringLiteral("home"))},
            {QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data"))},
            {QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config"))},
            {QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache"))},
            {QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("run"))},
            {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
            {QStringLiteral("TREVASEL_VOLUMES_ROOT"), path(QStringLiteral("volumes"))},
            {QStringLiteral("LANG"), QStringLiteral("C.UTF-8")}};
        for (auto it = variables.begin(); it != variables.end(); ++it)
            environment.insert(it.key(), it.value());
        for (auto it = extra.begin(); it != extra.end(); ++it)
            environment.insert(it.key(), it.value());
        process->setProcessEnvironment(environment);
        process->start(program(basic), {});
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    // Waits, reading the program's log as it comes, until the condition holds.
    bool waitFor(QProcess* process, const std::function<bool()>& condition, int seconds = 60)
    {
        const QDeadlineTimer deadline(seconds * 1000);
        while (!deadline.hasExpired()) {
            process->waitForReadyRead(100);
            m_log += process->readAllStandardError();
            if (condition())
                return true;
        }
        return false;
    }
    bool logged(const char* text) const { return m_log.contains(text); }
    qsizetype loggedTimes(const char* text) const { return m_log.count(text); }
    int stop(QProcess* process)
    {
        ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
        if (!process->waitForFinished(30000))
            return -1;
        m_log += process->readAllStandardError();
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -2;
    }
    // A card with the stills, put in by a rename into the volumes folder; gives its mounted path.
    QString insertCard(const QString& name, const QList<CameraImage>& stills)
    {
        const QString card = path(QStringLiteral("cards/") + name);
        EXPECT_TRUE(QDir().mkpath(card + QStringLiteral("/DCIM/100ORVIS")));
        for (int i = 0; i < stills.size(); ++i)
            EXPECT_TRUE(testsupport::writeCameraFile(
                card + QStringLiteral("/DCIM/100ORVIS/ORVS%1.JPG").arg(i, 4, 10, QLatin1Char('0')),
                stills.at(i)));
        QFile marker(card + QStringLiteral("/ORV_SD"));
        EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
        EXPECT_TRUE(
            marker.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
        marker.close();
        const QString mounted = path(QStringLiteral("volumes/") + name);
        EXPECT_TRUE(QDir().rename(card, mounted));
        return mounted;
    }
    QStringList picturesArrived() const
    {
        QStringList files;
        QDirIterator it(path(QStringLiteral("pictures")), {QStringLiteral("*.JPG"), QStringLiteral(".*")},
                        QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(path(QStringLiteral("pictures"))).relativeFilePath(it.next());
        files.sort();
        return files;
    }
    // The pictures under their final names, without the copies still being read back.
    QStringList picturesNamed() const
    {
        QStringList named = picturesArrived();
        named.removeIf([](const QString& name) { return QFileInfo(name).fileName().startsWith(u'.'); });
        return named;
    }
    static QList<CameraImage>
    stills(int count, int firstSecond = 0,
           testsupport::MakerNoteLayout layout = testsupport::MakerNoteLayout::Extended2)
    {
        QList<CameraImage> images;
        for (int i = 0; i < count; ++i) {
            CameraImage image = testsupport::defaultCameraImage(layout);
            image.dateTimeOriginal = QDateTime(QDate(2024, 5, 14), QTime(10, 30, firstSecond + i));
            images << image;
        }
        return images;
    }

    QTemporaryDir m_dir;
    QList<QProcess*> m_processes;
    QByteArray m_log;
};

} // namespace

TEST_F(TrayProgram, ACardIsImportedAndStampedOnceAndTheProgramQuitsOnSigterm)
{
    writeSettings(false, {{QLatin1String(SettingsKey::activateAvoidMultipleImportCheck), true}});
    QProcess* program = start(false);
    ASSERT_TRUE(waitFor(program, [&] { return logged("is running"); })) << m_log.constData();
    const QDateTime inserted = QDateTime::currentDateTime().addSecs(-1);
    const QString card = insertCard(QStringLiteral("CARD"), stills(3));
    ASSERT_TRUE(waitFor(program, [&] { return logged("transfer result shown: 3 pictures"); }))
        << m_log.constData();
    EXPECT_EQ(picturesArrived().size(), 3) << qPrintable(picturesArrived().join(u','));
    EXPECT_GE(QFileInfo(card + QStringLiteral("/ORV_SD")).lastModified(), inserted)
        << "the marker is stamped";

    // Another change in the volumes folder, and no new shots: nothing more is imported.
    const qsizetype looked = loggedTimes("none with new shots");
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("volumes/OTHER"))));
    ASSERT_TRUE(waitFor(program, [&] { return loggedTimes("none with new shots") > looked; }))
        << m_log.constData();
    EXPECT_EQ(m_log.count("transfer result shown"), 1);
    EXPECT_EQ(stop(program), 0);
    EXPECT_EQ(picturesArrived().size(), 3);
    EXPECT_FALSE(QFileInfo::exists(transferringMarker()));
}

TEST_F(TrayProgram, StillsCopiedSlowlyIntoTheWatchFolderArriveOnceAndWhole)
{
    const QString watched = path(QStringLiteral("watched"));
    ASSERT_TRUE(QDir().mkpath(watched));
    writeSettings(false, {{QLatin1String(SettingsKey::watchFolder), true},
                          {QLatin1String(SettingsKey::watchFolderPath), watched},
                          {QLatin1String(SettingsKey::watchRemovableDiskDrive), false}});
    QProcess* program = start(false);
    ASSERT_TRUE(waitFor(program, [&] { return logged("is running"); })) << m_log.constData();
    const QByteArray bytes = testsupport::buildCameraFile(stills(1).first());
    QFile slow(watched + QStringLiteral("/ORVS0001.JPG"));
    ASSERT_TRUE(slow.open(QIODevice::WriteOnly));
    // A piece a second, as a slow network copy writes, until a batch has looked at the unfinished
    // still; then the rest.
    const qsizetype piece = bytes.size() / 64 + 1;
    qsizetype written = 0;
    while (!logged("still being written") && written < bytes.size() / 2) {
        slow.write(bytes.mid(written, piece));
        slow.flush();
        written += piece;
        waitFor(
            program, [&] { return logged("still being written"); }, 1);
    }
    ASSERT_TRUE(logged("still being written")) << m_log.constData();
    EXPECT_TRUE(picturesArrived().isEmpty());
    slow.write(bytes.mid(written));
    slow.close();
    ASSERT_TRUE(waitFor(
        program, [&] { return picturesArrived().size() == 1; }, 40))
        << m_log.constData();
    EXPECT_EQ(stop(program), 0); // any batch still due has run or been stopped cleanly
    const QStringList arrived = picturesArrived();
    ASSERT_EQ(arrived.size(), 1) << qPrintable(arrived.join(u','));
    QFile copy(path(QStringLiteral("pictures/") + arrived.first()));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), bytes);
}

TEST_F(TrayProgram, AStillWhoseWriterPausesIsNeitherCutNorLostInMoveMode)
{
    // The store on another filesystem where the machine has one, so the move is a copy.
    QTemporaryDir shm(QStringLiteral("/dev/shm/trevasel-store-XXXXXX"));
    const QString store = shm.isValid() ? shm.path() : path(QStringLiteral("pictures"));
    const QString watched = path(QStringLiteral("watched"));
    ASSERT_TRUE(QDir().mkpath(watched));
    writeSettings(false, {{QLatin1String(SettingsKey::watchFolder), true},
                          {QLatin1String(SettingsKey::watchFolderPath), watched},
                          {QLatin1String(SettingsKey::watchRemovableDiskDrive), false},
                          {QLatin1String(SettingsKey::destinationFolderPath), store},
                          {QLatin1String(SettingsKey::deleteOriginalImage), true}});
    QProcess* program = start(false);
    ASSERT_TRUE(waitFor(program, [&] { return logged("is running"); })) << m_log.constData();
    const QByteArray bytes = testsupport::buildCameraFile(stills(1).first());
    QFile slow(watched + QStringLiteral("/ORVS0001.JPG"));
    ASSERT_TRUE(slow.open(QIODevice::WriteOnly));
    slow.write(bytes.left(bytes.size() / 2));
    slow.flush();
    // The writer stalls for longer than the settle time, until a batch has looked at the still.
    ASSERT_TRUE(waitFor(program, [&] { return logged("still being written"); })) << m_log.constData();
    const auto arrived = [&] {
        QStringList files;
        QDirIterator it(store, {QStringLiteral("*.JPG")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    };
    EXPECT_TRUE(arrived().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(slow.fileName())) << "a move never takes a still that is not whole";
    slow.write(bytes.mid(bytes.size() / 2));
    slow.close();
    ASSERT_TRUE(waitFor(
        program, [&] { return arrived().size() == 1; }, 40))
        << m_log.constData();
    ASSERT_TRUE(waitFor(
        program, [&] { return !QFileInfo::exists(slow.fileName()); }, 40))
        << m_log.constData();
    QFile copy(arrived().first());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), bytes);
    EXPECT_EQ(stop(program), 0);
}

TEST_F(TrayProgram, ASecondStartOpensTheFirstOnesSettingsAndAnEmptyLockFileStopsNothing)
{
    writeSettings(false, {});
    QFile empty(path(QStringLiteral("run/TrevaselForPravena.lock")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QProcess* first = start(false);
    ASSERT_TRUE(waitFor(first, [&] { return logged("is running"); })) << m_log.constData();
    m_log.clear();
    // The second start reaches the first, which opens its settings window, and ends by itself.
    QProcess* second = start(false);
    ASSERT_TRUE(waitFor(first, [&] { return logged("another start asks for the settings window"); }))
        << m_log.constData();
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(logged("is running\n"));
    EXPECT_EQ(stop(first), 0);
}

TEST_F(TrayProgram, TheBasicProgramImportsACard)
{
    writeSettings(true, {});
    QProcess* program = start(true);
    ASSERT_TRUE(waitFor(program, [&] { return logged("is running"); })) << m_log.constData();
    // The basic edition knows the first camera's pictures only.
    insertCard(QStringLiteral("CARD"), stills(2, 0, testsupport::MakerNoteLayout::Legacy));
    ASSERT_TRUE(waitFor(program, [&] { return picturesNamed().size() == 2; })) << m_log.constData();
    EXPECT_EQ(stop(program), 0);
}

TEST_F(TrayProgram, SigtermDuringABatchEndsItAfterThePictureInHandAndAPulledCardEndsItWithTheAlert)
{
    writeSettings(false, {{QLatin1String(SettingsKey::exportXml), false}});
    QProcess* program = start(false);
    ASSERT_TRUE(waitFor(program, [&] { return logged("is running"); })) << m_log.constData();
    QList<CameraImage> many = stills(40);
    for (CameraImage& image : many)
        image.targetFileSize = 2 * 1024 * 1024;
    const QString card = insertCard(QStringLiteral("CARD"), many);

    // Pulled out while pictures are still on their way: the batch ends with the alert.
    ASSERT_TRUE(waitFor(program, [&] { return !picturesNamed().isEmpty(); })) << m_log.constData();
    ASSERT_TRUE(QDir().rename(card, path(QStringLiteral("cards/PULLED"))));
    // The result says the card was taken out (and how many pictures it still holds), unless the
    // batch had already brought every picture in.
    ASSERT_TRUE(waitFor(program, [&] {
        return logged("the card was taken out") || logged("transfer result shown") ||
               logged("the transfer failed");
    })) << m_log.constData();
    const auto complete = [&] {
        for (const QString& name : picturesArrived()) {
            if (name.contains(QStringLiteral(".part")))
                return false;
            QFile file(path(QStringLiteral("pictures/") + name));
            if (!file.open(QIODevice::ReadOnly) || file.size() < 2 * 1024 * 1024)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(complete()) << qPrintable(picturesArrived().join(u','));

    // The program goes on watching: the card put back is imported, and a SIGTERM in the middle of
    // that batch ends it after the picture in hand.
    const qsizetype before = picturesNamed().size();
    // New shots on the card, so the next batch has work whether or not the first one finished.
    QList<CameraImage> more = stills(40);
    for (qsizetype i = 0; i < more.size(); ++i) {
        more[i].targetFileSize = 2 * 1024 * 1024;
        more[i].dateTimeOriginal = more[i].dateTimeOriginal.addDays(1);
        ASSERT_TRUE(testsupport::writeCameraFile(
            path(QStringLiteral("cards/PULLED/DCIM/100ORVIS/NEW%1.JPG").arg(i, 4, 10, QLatin1Char('0'))),
            more.at(i)));
    }
    ASSERT_TRUE(QDir().rename(path(QStringLiteral("cards/PULLED")), card));
    QFile marker(card + QStringLiteral("/ORV_SD"));
    ASSERT_TRUE(marker.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        marker.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    marker.close();
    ASSERT_TRUE(waitFor(program, [&] { return picturesNamed().size() > before; })) << m_log.constData();
    EXPECT_EQ(stop(program), 0);
    EXPECT_TRUE(complete()) << qPrintable(picturesArrived().join(u','));
    EXPECT_FALSE(QFileInfo::exists(transferringMarker()));
    QFile ids(path(QStringLiteral("config/TrevaselForPravena/TrevaselForPravena.conf")));
    ASSERT_TRUE(ids.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ids.readAll().contains("EVENT_ID_SD_CARD")) << "the batch's position is stored";
}

TEST_F(TrayProgram, AnUnreadableSettingsFileIsKeptAndSaidSoInsteadOfBeingWrittenOver)
{
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("data/TrevaselForPravena"))));
    const QByteArray damaged = "<?xml version=\"1.0\"?><plist><dict><key>destination folder path</key><str";
    QFile settings(settingsFile(false));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(damaged);
    settings.close();
    QProcess* program = start(false);
    ASSERT_TRUE(waitFor(program, [&] { return logged("is running"); })) << m_log.constData();
    const QStringList kept =
        QDir(path(QStringLiteral("data/TrevaselForPravena")))
            .entryList({QStringLiteral("Trevasel-setting.plist.unreadable-*")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    QFile keptFile(path(QStringLiteral("data/TrevaselForPravena/")) + kept.first());
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), damaged) << "the old settings are there to be mended";
    EXPECT_TRUE(PropertyList::readFile(settingsFile(false)).has_value()) << "the defaults took its place";
    EXPECT_EQ(m_log.count("could not be read; it was kept as"), 1) << m_log.constData();
    EXPECT_EQ(m_log.count("The destination folder cannot be found"), 0) << "one alert, the one that says why";
    EXPECT_EQ(stop(program), 0);
}

TEST_F(TrayProgram, ACardIsImportedWhileTheListServerKeepsTheChecksWaiting)
{
    // Takes the connections and never answers them.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString server = QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort());
    writeSettings(
        false,
        {{QLatin1String(SettingsKey::versionCheckSite), server + QStringLiteral("/version.lst")},
         {QLatin1String(SettingsKey::informationCheckSite), server + QStringLiteral("/MD.lst")},
         {QLatin1String(SettingsKey::informationCheckSiteEnglish), server + QStringLiteral("/ME.lst")}});
    QProcess* program = start(false);
    ASSERT_TRUE(waitFor(program, [&] { return logged("is running"); })) << m_log.constData();
    // Both checks have connected and wait on the server.
    QList<QTcpSocket*> waiting;
    ASSERT_TRUE(waitFor(program, [&] {
        while (silent.hasPendingConnections())
            waiting << silent.nextPendingConnection();
        silent.waitForNewConnection(10);
        return waiting.size() >= 2;
    })) << m_log.constData();
    insertCard(QStringLiteral("CARD"), stills(2));
    ASSERT_TRUE(waitFor(
        program, [&] { return logged("transfer result shown: 2 pictures"); }, 30))
        << m_log.constData();
    EXPECT_EQ(picturesArrived().size(), 2);
    EXPECT_EQ(stop(program), 0);
}

TEST_F(TrayProgram, AHugeNoticeIsRefusedAndNeitherSlowsACardNorTakesMemory)
{
    // Answers every request with a notice list whose text field is 1 MB, without an event loop.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const QByteArray list = "10,-,Notice," + QByteArray(1024 * 1024, 'x') + ",https://u,News,x,https://u\n";
    const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(list.size()) +
                              "\r\nConnection: close\r\n\r\n" + list;
    const auto serve = [&] {
        if (!server.waitForNewConnection(10))
            return;
        QTcpSocket* socket = server.nextPendingConnection();
        socket->waitForReadyRead(1000);
        socket->readAll();
        socket->write(answer);
        socket->waitForBytesWritten(1000);
        socket->disconnectFromHost();
        socket->deleteLater();
    };
    const QString site = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    writeSettings(
        false, {{QLatin1String(SettingsKey::informationCheckSite), site + QStringLiteral("/MD.lst")},
                {QLatin1String(SettingsKey::informationCheckSiteEnglish), site + QStringLiteral("/ME.lst")},
                {QLatin1String(SettingsKey::versionCheckSite), site + QStringLiteral("/version.lst")}});
    QProcess* program = start(false);
    ASSERT_TRUE(waitFor(program, [&] { return logged("is running"); })) << m_log.constData();
    ASSERT_TRUE(waitFor(program, [&] {
        serve();
        return logged("is larger than 65536 bytes");
    })) << m_log.constData();
    insertCard(QStringLiteral("CARD"), stills(2));
    ASSERT_TRUE(waitFor(
        program,
        [&] {
            serve();
            return logged("transfer result shown: 2 pictures");
        },
        30))
        << m_log.constData();
    QFile status(QStringLiteral("/proc/%1/status").arg(program->processId()));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("VmHWM:");
    ASSERT_GE(at, 0);
    const qint64 peakKiB =
        text.mid(at + 6, text.indexOf('\n', at) - at - 6).trimmed().split(' ').first().toLongLong();
    EXPECT_LT(peakKiB, 400 * 1024) << "peak resident memory, KiB";
    EXPECT_EQ(stop(program), 0);
}
