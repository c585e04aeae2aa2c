// "trevasel-cli watch" as a practice server runs it: its own copy of the program, a temporary home,
// XDG folders and volumes folder; a card is a folder renamed into the volumes folder.
#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "camerafiles/CameraFileWriter.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>

namespace {

class WatchCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* folder :
             {"home", "data", "config", "run", "volumes", "cards", "watched", "pictures/deliver", "program"})
            ASSERT_TRUE(QDir().mkpath(path(QString::fromLatin1(folder))));
        QFile::setPermissions(path(QStringLiteral("run")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The program's own copy, so that the transferring marker beside it is this test's.
        const QString original = QStringLiteral(TREVASEL_CLI_PATH);
        std::error_code error;
        std::filesystem::create_hard_link(original.toStdString(), program().toStdString(), error);
        if (error) {
            ASSERT_TRUE(QFile::copy(original, program()));
        }
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
    QString program() const { return path(QStringLiteral("program/trevasel-cli")); }
    QString settingsFile() const { return path(QStringLiteral("settings/Trevasel-setting.plist")); }
    // The full edition's default settings with the scenario's keys.
    void writeSettings(const QVariantMap& changes)
    {
        auto settings = PropertyList::readFile(QStringLiteral(TREVASEL_SOURCE_DIR) +
                                               QStringLiteral("/resources/full/Trevasel-setting.plist"));
        ASSERT_TRUE(settings.has_value());
        settings->insert(QLatin1String(SettingsKey::destinationFolderPath), path(QStringLiteral("pictures")));
        settings->insert(QLatin1String(SettingsKey::watchFolder), true);
        settings->insert(QLatin1String(SettingsKey::watchFolderPath), path(QStringLiteral("watched")));
        settings->insert(QLatin1String(SettingsKey::watchRemovableDiskDrive), true);
        settings->insert(QLatin1String(SettingsKey::confirmBeforeSending), 0);
        settings->insert(QLatin1String(SettingsKey::deleteOriginalImage), false);
        settings->insert(QLatin1String(SettingsKey::checkNgFileIntervalTime), 1);
        for (auto it = changes.begin(); it != changes.end(); ++it)
            settings->insert(it.key(), it.value());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsFile()).absolutePath()));
        ASSERT_TRUE(PropertyList::writeFile(settingsFile(), *settings));
    }
    QProcess* start()
    {
        auto* process = new QProcess();
        m_processes << process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("run")));
        environment.insert(QStringLiteral("TREVASEL_VOLUMES_ROOT"), path(QStringLiteral("volumes")));
        process->setProcessEnvironment(environment);
        process->start(program(), {QStringLiteral("watch"), QStringLiteral("--settings"), settingsFile()});
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
    bool logged(const QString& text) const { return m_log.contains(text.toUtf8()); }
    int stop(QProcess* process)
    {
        ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
        if (!process->waitForFinished(30000))
            return -1;
        m_log += process->readAllStandardError();
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -2;
    }
    // A card with the stills, put in by a rename into the volumes folder; gives its mounted path.
    QString insertCard(const QString& name, int stills)
    {
        const QString card = path(QStringLiteral("cards/") + name);
        EXPECT_TRUE(QDir().mkpath(card + QStringLiteral("/DCIM/100ORVIS")));
        for (int i = 0; i < stills; ++i)
            EXPECT_TRUE(testsupport::writeCameraFile(
                card + QStringLiteral("/DCIM/100ORVIS/ORVS%1.JPG").arg(i, 4, 10, QLatin1Char('0')),
                still(i)));
        // Stamped before the shots were taken: they are new to it.
        QFile marker(card + QStringLiteral("/ORV_SD"));
        EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
        EXPECT_TRUE(
            marker.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
        marker.close();
        const QString mounted = path(QStringLiteral("volumes/") + name);
        EXPECT_TRUE(QDir().rename(card, mounted));
        return mounted;
    }
    static testsupport::CameraImage still(int second)
    {
        auto image = testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Extended2);
        image.dateTimeOriginal = QDateTime(QDate(2024, 5, 14), QTime(10, 30, second));
        return image;
    }
    QStringList picturesNamed() const
    {
        QStringList files;
        QDirIterator it(path(QStringLiteral("pictures")), {QStringLiteral("*.JPG")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    QTemporaryDir m_dir;
    QList<QProcess*> m_processes;
    QByteArray m_log;
};

} // namespace

TEST_F(WatchCommand, ACardAndAWatchedStillArriveOnceAnAnswerIsLoggedAndSigtermEndsIt)
{
    writeSettings({{QLatin1String(SettingsKey::activateAvoidMultipleImportCheck), true}});
    QFile answer(path(QStringLiteral("pictures/deliver/0000012345.NG")));
    ASSERT_TRUE(answer.open(QIODevice::WriteOnly));
    answer.close();
    QProcess* watch = start();
    ASSERT_TRUE(waitFor(watch, [&] { return logged(QStringLiteral("is running")); })) << m_log.constData();

    // Its edition runs already: a second watch (or tray program) of it refuses.
    QProcess second;
    second.setProcessEnvironment(watch->processEnvironment());
    second.start(program(), {QStringLiteral("watch"), QStringLiteral("--settings"), settingsFile()});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("TrevaselForPravena already runs"));

    const QString card = insertCard(QStringLiteral("CARD"), 2);
    ASSERT_TRUE(testsupport::writeCameraFile(path(QStringLiteral("watched/ORVS0100.JPG")), still(40)));
    const QString cardLine = QStringLiteral("card %1: 2 pictures arrived").arg(card);
    const QString watchLine =
        QStringLiteral("watch folder %1: 1 picture arrived").arg(path(QStringLiteral("watched")));
    ASSERT_TRUE(waitFor(watch, [&] {
        return logged(cardLine) && logged(watchLine) &&
               logged(QStringLiteral("[warning]: the practice-management system rejected the delivery for "
                                     "the medical record number 0000012345"));
    })) << m_log.constData();
    EXPECT_FALSE(answer.exists());
    EXPECT_EQ(stop(watch), 0);
    EXPECT_EQ(picturesNamed().size(), 3) << qPrintable(picturesNamed().join(u','));
    EXPECT_EQ(m_log.count(cardLine.toUtf8()), 1);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("program/$TMP"))));
}

TEST_F(WatchCommand, ASettingsChangeRegistersTheCardsAndOneConfirmedBeforeSendingIsImportedWithoutAsking)
{
    writeSettings({{QLatin1String(SettingsKey::watchRemovableDiskDrive), false},
                   {QLatin1String(SettingsKey::confirmBeforeSending), 1001}});
    QProcess* watch = start();
    ASSERT_TRUE(waitFor(watch, [&] { return logged(QStringLiteral("is running")); })) << m_log.constData();
    writeSettings({{QLatin1String(SettingsKey::confirmBeforeSending), 1001}});
    ASSERT_TRUE(waitFor(watch, [&] { return logged(QStringLiteral("the settings file changed")); }))
        << m_log.constData();
    const QString card = insertCard(QStringLiteral("CARD"), 1);
    ASSERT_TRUE(waitFor(watch, [&] {
        return logged(QStringLiteral("card %1: 1 picture arrived").arg(card));
    })) << m_log.constData();
    EXPECT_TRUE(
        logged(QStringLiteral("[warning]: \"confirm before sending\" is on, but no one can be asked here: "
                              "importing %1")
                   .arg(card)))
        << m_log.constData();
    EXPECT_EQ(stop(watch), 0);
    EXPECT_EQ(picturesNamed().size(), 1);
}
