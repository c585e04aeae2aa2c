#include "app/shell/TrevaselAppDelegate.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "app/WebSite.h"
#include "platform/AutostartOnLoginService.h"
#include "platform/DesktopWorkspaceService.h"
#include "platform/EjectService.h"
#include "platform/FileEventStream.h"
#include "platform/Logger.h"
#include "platform/SingleInstanceLock.h"
#include "platform/VolumeService.h"
#include "platform/linux/UDisksEjectService.h"
#include "transfer/CopyOperator.h"
#include "transfer/MountMediaManager.h"
#include "transfer/WatchSDCardOperator.h"
#include "ui/BaseWindowController.h"
#include "ui/ConfigWindowController.h"
#include "ui/DetailConfigWindowController.h"
#include "ui/InformationChecker.h"
#include "ui/NGFileCheckResultWindowController.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"
#include "ui/UpdateChecker.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QSaveFile>
#include <QSystemTrayIcon>
#include <QUrl>

#include <cstdio>

namespace {

// The period of the ".NG" check when the setting holds no usable one.
constexpr double kDefaultNGFileIntervalSeconds = 10.0;
constexpr int kPurgeIntervalMilliseconds = 3600 * 1000;

bool setting(const QVariantMap& settings, const char* key)
{
    return SettingsValue::boolValue(settings, QLatin1String(key));
}

QString textSetting(const QVariantMap& settings, const char* key)
{
    return SettingsValue::stringValue(settings, QLatin1String(key));
}

void showAndFront(BaseWindowController* controller)
{
    if (!controller)
        return;
    controller->showWindow();
    controller->orderFront();
}

} // namespace

TrevaselAppDelegate::TrevaselAppDelegate(EditionParts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts))
{
}

TrevaselAppDelegate::~TrevaselAppDelegate() = default;

bool TrevaselAppDelegate::isShowAllDetailConfigItems()
{
    return DetailConfigWindowController::isShowAllDetailConfigItems();
}

bool TrevaselAppDelegate::applicationDidFinishLaunching(const QStringList& arguments)
{
    const bool full = m_parts.edition == Edition::Full;
    if (full) {
        Logger::plain(QStringLiteral("LOG_LEVEL:[%1]").arg(2));
        if (arguments.contains(QStringLiteral("--log-output")))
            redirectLog();
        DetailConfigWindowController::setShowAllDetailConfigItems(
            arguments.contains(QStringLiteral("--show-all-items")));
        TrevaselCommon::getApplicationDataDirectory();
    }
    TrevaselWindowManager::sharedInstance();

    if (full) {
        m_instanceLock = std::make_unique<SingleInstanceLock>(m_parts.programName);
        if (!m_instanceLock->tryLock()) {
            Logger::info(QStringLiteral("another copy is running (%1)").arg(m_instanceLock->lockFilePath()));
            showAndFront(TrevaselWindowManager::sharedInstance().getWindowController(
                TrevaselWindowManager::Duplicate));
            return false;
        }
    }

    installDefaultFiles();
    const QVariantMap stored = TrevaselCommon::getUserSettingDictionary();
    if (TrevaselCommon::isFirstStart(stored) || !full)
        stampBuildNumber();
    else if (SettingsValue::intValue(stored, QLatin1String(SettingsKey::lastBuildNumber)) <
             TrevaselCommon::getBuildNumber().toInt())
        migrateSettings(stored);
    if (full)
        startTimers();
    setUpStatusItem();

    m_streams = FileEventStreamService::createSystemService();
    m_shell = std::make_unique<TraySourceShell>([this](const QStringList& folders) { ejectMedia(folders); });
    m_workspace = std::make_unique<DesktopWorkspaceService>();
    NGFileCheckResultWindowController::setOpenFolderHandler(
        [this](const QString& folder) { m_workspace->openFolder(folder); });
    if (full) {
        m_eject = std::make_unique<UDisksEjectService>();
        m_volumes = VolumeService::createSystemService();
        for (const QString& mounted : m_volumes->mountedVolumes())
            didMount(mounted);
        connect(m_volumes.get(), &VolumeService::volumeMounted, this, &TrevaselAppDelegate::didMount);
        connect(m_volumes.get(), &VolumeService::volumeUnmounted, this, &TrevaselAppDelegate::didUnmount);
    }

    // Settings applied in the window take effect at once: the sources and the login item follow.
    ConfigWindowController::setSettingsAppliedHandler([this](const QVariantMap& settings) {
        const QString destination = textSetting(settings, SettingsKey::destinationFolderPath);
        if (m_parts.edition == Edition::Basic || QFileInfo(destination).isDir())
            registerSources();
        registerLoginItem();
        changeDestinationFolderMenuItem();
    });

    const bool destinationReady = !full || waitForDestination();
    if (TransferJob::stopRequested())
        return true; // a signal came during the wait: the program ends without starting anything
    if (destinationReady)
        registerSources();
    else
        TraySourceShell::showAlert(Strings::text(QStringLiteral("ApplicationMessage26")), true);

    registerLoginItem();
    stampBuildNumber();
    changeDestinationFolderMenuItem();
    Logger::info(
        QStringLiteral("%1 %2 (%3) is running")
            .arg(m_parts.programName, TrevaselCommon::getVersionNubmer(), TrevaselCommon::getBuildNumber()));
    return true;
}

void TrevaselAppDelegate::applicationShouldTerminate()
{
    if (m_logRedirected)
        std::fflush(stderr); // the stream is closed by the process's exit
}

void TrevaselAppDelegate::redirectLog()
{
    const QString path = TrevaselCommon::getApplicationDataDirectory() + QStringLiteral("/Trevasel.log");
    if (std::freopen(QFile::encodeName(path).constData(), "a+", stderr))
        m_logRedirected = true;
}

void TrevaselAppDelegate::installDefaultFiles()
{
    const QString settingsPath = TrevaselCommon::getUserSettingPlistFilePath();
    if (!QFileInfo::exists(settingsPath)) {
        QDir().mkpath(QFileInfo(settingsPath).absolutePath());
        QSaveFile file(settingsPath);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(TrevaselCommon::getDefaultUserSettingData());
            file.commit();
        }
    }
    if (m_parts.createHistory) {
        const QString database = TrevaselCommon::getDBFilePath();
        QDir().mkpath(QFileInfo(database).absolutePath());
        m_parts.createHistory(database);
    }
}

void TrevaselAppDelegate::migrateSettings(const QVariantMap& stored)
{
    if (m_parts.migrateSettings)
        m_parts.migrateSettings(stored);
}

void TrevaselAppDelegate::stampBuildNumber()
{
    QVariantMap settings = TrevaselCommon::getUserSettingDictionary();
    const int stored = SettingsValue::intValue(settings, QLatin1String(SettingsKey::lastBuildNumber));
    if (stored >= TrevaselCommon::getBuildNumber().toInt())
        return;
    settings.insert(QLatin1String(SettingsKey::lastBuildNumber), TrevaselCommon::getBuildNumber());
    TrevaselCommon::writeUserSettingDictionary(settings);
}

bool TrevaselAppDelegate::waitForDestination()
{
    const QVariantMap settings = TrevaselCommon::getUserSettingDictionary();
    const QString destination = textSetting(settings, SettingsKey::destinationFolderPath);
    const auto ready = [&] { return !destination.isEmpty() && QFileInfo(destination).isDir(); };
    // A destination that is not set yet (a fresh installation) cannot appear by waiting.
    if (ready() || destination.isEmpty())
        return ready();
    // A network volume may still be mounting. The wait lets the event loop run, and ends as soon as
    // the folder is there.
    const double seconds =
        std::clamp(SettingsValue::doubleValue(
                       settings, QLatin1String(SettingsKey::theWaitSecondsForCheckingDesignatedFolder)),
                   0.0, 3600.0);
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000));
    while (!ready() && !deadline.hasExpired() && !TransferJob::stopRequested())
        m_shell->pause(
            std::chrono::milliseconds(std::min<qint64>(500, std::max<qint64>(deadline.remainingTime(), 1))));
    return ready();
}

double TrevaselAppDelegate::ngFileCheckIntervalSeconds(const QVariantMap& settings)
{
    const double seconds =
        SettingsValue::doubleValue(settings, QLatin1String(SettingsKey::checkNgFileIntervalTime));
    // Zero, negative or absurd periods (or text that is no number) would spin or never check.
    if (seconds >= 1.0 && seconds <= 86400.0)
        return seconds;
    Logger::info(
        QStringLiteral("\"check ng file interval time\" holds no usable period; checking every %1 seconds")
            .arg(kDefaultNGFileIntervalSeconds));
    return kDefaultNGFileIntervalSeconds;
}

void TrevaselAppDelegate::startTimers()
{
    const double seconds = ngFileCheckIntervalSeconds(TrevaselCommon::getUserSettingDictionary());
    m_ngFileTimer.setInterval(static_cast<int>(seconds * 1000));
    connect(&m_ngFileTimer, &QTimer::timeout, this, &TrevaselAppDelegate::timerNGFileCheck);
    m_ngFileTimer.start();
    // The lists are fetched without blocking: a slow server never holds up an import.
    QTimer::singleShot(3000, this, [] { UpdateChecker::runStartupCheck(); });
    QTimer::singleShot(5000, this, [] { InformationChecker::runStartupCheck(); });
    m_purgeTimer.setInterval(kPurgeIntervalMilliseconds);
    connect(&m_purgeTimer, &QTimer::timeout, this, &TrevaselAppDelegate::timerDeleteImportedFileRecord);
    m_purgeTimer.start();
}

void TrevaselAppDelegate::setUpStatusItem()
{
    m_menu = std::make_unique<QMenu>();
    const bool full = m_parts.edition == Edition::Full;
    const auto add = [this](const char* key, auto slot) {
        QAction* action = m_menu->addAction(Strings::text(QString::fromLatin1(key)));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    const auto addWindow = [&](const char* key, int id) { add(key, [this, id] { showWindow(id); }); };
    addWindow("StatusMenu_Settings", TrevaselWindowManager::Config);
    m_menu->addSeparator();
    m_showDestination = add("StatusMenu_ShowDestination", &TrevaselAppDelegate::showDestinationFolder);
    m_showDestinationPicture =
        add("StatusMenu_ShowDestinationPicture", &TrevaselAppDelegate::showDestinationFolder);
    m_showDestinationMovie =
        full ? add("StatusMenu_ShowDestinationMovie", &TrevaselAppDelegate::showDestinationFolderMovie)
             : nullptr;
    m_showDestinationPicture->setVisible(false);
    m_menu->addSeparator();
    addWindow("StatusMenu_UpdateCheck", TrevaselWindowManager::UpdateCheck);
    addWindow("StatusMenu_VersionInformation", TrevaselWindowManager::VersionInformation);
    addWindow("StatusMenu_Help", TrevaselWindowManager::Help);
    if (full)
        add("StatusMenu_RemoteSupport", &TrevaselAppDelegate::showRemoteSupportUrl);
    m_menu->addSeparator();
    add("StatusMenu_Quit", [] { QCoreApplication::quit(); });

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        Logger::info(
            QStringLiteral("no system tray here: running without a status item, and still importing"));
        return;
    }
    m_statusItem =
        new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/TrevaselStatusBarIconTemplate.png")), this);
    m_statusItem->setContextMenu(m_menu.get());
    m_statusItem->setToolTip(m_parts.programName);
    m_statusItem->show();
}

void TrevaselAppDelegate::changeDestinationFolderMenuItem()
{
    if (!m_showDestinationMovie)
        return;
    const bool movies =
        setting(TrevaselCommon::getUserSettingDictionary(), SettingsKey::destinationFolderMov);
    m_showDestination->setVisible(!movies);
    m_showDestinationPicture->setVisible(movies);
    m_showDestinationMovie->setVisible(movies);
}

void TrevaselAppDelegate::registerSources()
{
    const QVariantMap settings = TrevaselCommon::getUserSettingDictionary();
    const bool full = m_parts.edition == Edition::Full;
    const EventIdStore eventIds = EventIdStore::forProgram(m_parts.programName);
    const auto jobs = m_parts.makeJob;

    m_watchFolder.reset();
    if (setting(settings, SettingsKey::watchFolder)) {
        const QString folder = textSetting(settings, SettingsKey::watchFolderPath);
        if (!full || QFileInfo(folder).isDir()) {
            m_watchFolder = std::make_unique<CopyOperator>(
                CopyOperator::Services{m_streams.get(), m_shell.get(), eventIds, jobs, m_parts.edition});
            m_watchFolder->registWatching({folder});
        } else {
            TraySourceShell::showAlert(Strings::text(QStringLiteral("ApplicationMessage25")).arg(folder),
                                       true);
        }
    }
    m_cardSource.reset();
    if (setting(settings, SettingsKey::watchRemovableDiskDrive)) {
        m_cardSource = std::make_unique<WatchSDCardOperator>(
            WatchSDCardOperator::Services{m_streams.get(), m_shell.get(), eventIds, jobs, m_parts.edition,
                                          VolumeService::volumesFolders()});
        m_cardSource->registWatchingSDCardFolder();
    }
}

void TrevaselAppDelegate::registerLoginItem()
{
    const AutostartOnLoginService loginItem(m_parts.programName, QCoreApplication::applicationFilePath());
    if (setting(TrevaselCommon::getUserSettingDictionary(), SettingsKey::autoStartUp))
        loginItem.enableLoginItem();
    else
        loginItem.disableLoginItem();
}

void TrevaselAppDelegate::ejectMedia(const QStringList& folders)
{
    if (!m_eject)
        return;
    const QStringList media = MountMediaManager::sharedInstance().getMediaArray();
    for (const QString& folder : folders) {
        for (const QString& medium : media) {
            if (folder.contains(medium)) {
                Logger::info(QStringLiteral("ejecting %1").arg(medium));
                m_eject->unmountAndEject(medium);
                break;
            }
        }
    }
}

void TrevaselAppDelegate::didMount(const QString& mountPath)
{
    const QFileInfo marker(mountPath + QStringLiteral("/ORV_SD"));
    if (marker.exists() && marker.isFile())
        MountMediaManager::sharedInstance().setMedia(mountPath);
}

void TrevaselAppDelegate::didUnmount(const QString& mountPath)
{
    MountMediaManager::sharedInstance().removeMedia(mountPath);
}

void TrevaselAppDelegate::timerNGFileCheck()
{
    const QString deliver =
        textSetting(TrevaselCommon::getUserSettingDictionary(), SettingsKey::destinationFolderPath) +
        QStringLiteral("/deliver");
    TrevaselWindowManager& windows = TrevaselWindowManager::sharedInstance();
    const QStringList names =
        QDir(deliver).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : names) {
        if (!name.endsWith(QLatin1String(".NG")))
            continue;
        const QString number = name.chopped(3);
        if (!windows.checkWindow(TrevaselWindowManager::NGFileCheckResult)) {
            QFile::remove(deliver + QLatin1Char('/') + name);
            auto* window = dynamic_cast<NGFileCheckResultWindowController*>(
                windows.getWindowController(TrevaselWindowManager::NGFileCheckResult));
            if (window) {
                window->setMedicalRecordNumber(number);
                showAndFront(window);
            }
            return;
        }
        auto* open = dynamic_cast<NGFileCheckResultWindowController*>(
            windows.getWindowController(TrevaselWindowManager::NGFileCheckResult));
        open->orderFront();
        if (open->medicalRecordNumber() == number) {
            QFile::remove(deliver + QLatin1Char('/') + name);
            return;
        }
    }
}

void TrevaselAppDelegate::timerDeleteImportedFileRecord()
{
    QVariantMap settings = TrevaselCommon::getUserSettingDictionary();
    const double interval = SettingsValue::doubleValue(
        settings, QLatin1String(SettingsKey::deleteImportedFileRecordIntervalTime));
    const auto last = TrevaselCommon::stringToDate(
        textSetting(settings, SettingsKey::lastDeleteImportedFileRecordDatetime));
    // No valid last purge time counts as no time elapsed.
    if (!last || !(static_cast<double>(last->secsTo(QDateTime::currentDateTime())) > interval) ||
        !m_parts.purgeHistory)
        return;
    m_parts.purgeHistory(TrevaselCommon::getDBFilePath(), TrevaselCommon::dateToString(*last).toLongLong());
    settings.insert(QLatin1String(SettingsKey::lastDeleteImportedFileRecordDatetime),
                    TrevaselCommon::getNowDatabaseDatetime());
    TrevaselCommon::writeUserSettingDictionary(settings);
}

void TrevaselAppDelegate::showDestinationFolder()
{
    QString folder =
        textSetting(TrevaselCommon::getUserSettingDictionary(), SettingsKey::destinationFolderPath);
    if (folder.isEmpty())
        folder = TrevaselCommon::getDefaultImageDestinationDirectory();
    m_workspace->openFolder(folder);
}

void TrevaselAppDelegate::showDestinationFolderMovie()
{
    QString folder =
        textSetting(TrevaselCommon::getUserSettingDictionary(), SettingsKey::destinationFolderPathMov);
    if (folder.isEmpty())
        folder = TrevaselCommon::getDefaultMovieDestinationDirectory();
    m_workspace->openFolder(folder);
}

void TrevaselAppDelegate::showRemoteSupportUrl()
{
    // The same page for every language.
    m_workspace->openUrl(
        QUrl(WebSite::url(QStringLiteral("/product/contents/hp1990/index.php?No=1867&CNo=1990"))));
}

void TrevaselAppDelegate::showWindow(int windowId)
{
    showAndFront(TrevaselWindowManager::sharedInstance().getWindowController(windowId));
}
