#include "tray/TrevaselAppDelegate.h"

#include "app/SettingsKeys.h"
#include "app/TrevaselCommon.h"
#include "app/WebSite.h"
#include "platform/AutostartOnLoginService.h"
#include "platform/DesktopWorkspaceService.h"
#include "platform/EventIdStore.h"
#include "platform/FileEventStream.h"
#include "platform/Logger.h"
#include "platform/SingleInstanceLock.h"
#include "platform/VolumeService.h"
#include "platform/linux/UDisksEjectService.h"
#include "service/CardVolumes.h"
#include "service/HistoryPurgeTimer.h"
#include "transfer/ImportService.h"
#include "tray/InstanceChannel.h"
#include "tray/NGAnswerWindow.h"
#include "tray/StatusItem.h"
#include "tray/TransferPresenter.h"
#include "ui/BaseWindowController.h"
#include "ui/ConfigWindowController.h"
#include "ui/DetailConfigWindowController.h"
#include "ui/InformationChecker.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"
#include "ui/UpdateChecker.h"
#include "ui/WorkspaceOpener.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace {

bool isFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

// The registry's window of that id while it is open; nobody otherwise.
QWidget* openWindow(int windowId)
{
    TrevaselWindowManager& windows = TrevaselWindowManager::sharedInstance();
    return windows.checkWindow(windowId) ? windows.getWindowController(windowId)->window() : nullptr;
}

} // namespace

TrevaselAppDelegate::TrevaselAppDelegate(EditionParts parts, QObject* parent)
    : TrevaselAppDelegate(std::move(parts), Setup{}, parent)
{
}

TrevaselAppDelegate::TrevaselAppDelegate(EditionParts parts, Setup setup, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)), m_setup(std::move(setup))
{
    m_destinationWait.setInterval(500);
    connect(&m_destinationWait, &QTimer::timeout, this, &TrevaselAppDelegate::waitForDestination);
}

TrevaselAppDelegate::~TrevaselAppDelegate()
{
    WorkspaceOpener::setService(nullptr);
    // The presenter and the volumes listen to the service; all go before the windows they show.
    m_presenter.reset();
    m_cardVolumes.reset();
    m_service.reset();
}

bool TrevaselAppDelegate::applicationDidFinishLaunching(const QStringList& arguments)
{
    const bool full = m_parts.edition == Edition::Full;
    if (full) {
        Logger::plain(QStringLiteral("LOG_LEVEL:[%1]").arg(2));
        if (arguments.contains(QStringLiteral("--log-output")))
            redirectLog();
        m_showAllItems = arguments.contains(QStringLiteral("--show-all-items"));
        TrevaselCommon::getApplicationDataDirectory();
    }
    connect(&TrevaselWindowManager::sharedInstance(), &TrevaselWindowManager::windowMade, this,
            &TrevaselAppDelegate::wireWindow);

    // A second start reaches the running program, which opens its settings window; this one ends.
    const auto handOver = [this] {
        if (!InstanceChannel::askRunning(m_parts.programName))
            return false;
        Logger::info(
            QStringLiteral("another copy is running: it opens its settings window, and this one ends"));
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        return true;
    };
    if (full) {
        m_instanceLock = std::make_unique<SingleInstanceLock>(m_parts.programName);
        if (!m_instanceLock->tryLock()) {
            Logger::info(QStringLiteral("another copy is running (%1)").arg(m_instanceLock->lockFilePath()));
            if (!handOver())
                showWindow(TrevaselWindowManager::Duplicate);
            return false;
        }
    } else if (handOver()) {
        return false;
    }
    m_channel = std::make_unique<InstanceChannel>(m_parts.programName);
    connect(m_channel.get(), &InstanceChannel::settingsRequested, this,
            [this] { showWindow(TrevaselWindowManager::Config); });
    m_channel->listen();
    m_settingsAsked = arguments.contains(QStringLiteral("--settings"));

    // A settings file that cannot be read is never written over: it is kept beside itself first.
    if (!TrevaselCommon::readUserSettingDictionary()) {
        const QString kept = TrevaselCommon::keepUnreadableUserSettingFile();
        if (kept.isEmpty()) {
            Logger::info(
                QStringLiteral("the settings file %1 cannot be read or moved aside; it is left as it is")
                    .arg(TrevaselCommon::getUserSettingPlistFilePath()));
            m_settingsUntouchable = true;
        } else {
            Logger::info(QStringLiteral("the settings file could not be read; it was kept as %1").arg(kept));
            TransferPresenter::showAlert(
                Strings::text(QStringLiteral("ApplicationMessage_SettingsUnreadable")).arg(kept), true);
        }
        m_settingsReplaced = true;
    }
    installDefaultFiles();
    const QVariantMap stored = TrevaselCommon::getUserSettingDictionary();
    const SettingsSnapshot settings = SettingsSnapshot::fromDictionary(stored, m_parts.edition);
    if (TrevaselCommon::isFirstStart(stored) || !full)
        stampBuildNumber();
    else if (settings.lastBuildNumber < TrevaselCommon::getBuildNumber().toInt() && m_parts.migrateSettings)
        m_parts.migrateSettings(stored);
    if (full)
        startTimers(settings);

    m_statusItem = std::make_unique<StatusItem>(m_parts.edition, m_parts.programName);
    connect(m_statusItem.get(), &StatusItem::windowRequested, this, &TrevaselAppDelegate::showWindow);
    connect(m_statusItem.get(), &StatusItem::destinationFolderRequested, this, [this] {
        openFolder(SettingsSnapshot::read()->destinationFolderPath,
                   TrevaselCommon::getDefaultImageDestinationDirectory());
    });
    connect(m_statusItem.get(), &StatusItem::movieDestinationFolderRequested, this, [this] {
        openFolder(SettingsSnapshot::read()->destinationFolderPathMov,
                   TrevaselCommon::getDefaultMovieDestinationDirectory());
    });
    connect(m_statusItem.get(), &StatusItem::remoteSupportRequested, this, [] {
        // The same page for every language.
        WorkspaceOpener::openUrl(
            QUrl(WebSite::url(QStringLiteral("/product/contents/hp1990/index.php?No=1867&CNo=1990"))));
    });
    connect(m_statusItem.get(), &StatusItem::quitRequested, this, &TrevaselAppDelegate::quit);
    connect(m_statusItem.get(), &StatusItem::folderRequested, this,
            [](const QString& folder) { WorkspaceOpener::openFolder(folder); });

    m_workspace = std::make_unique<DesktopWorkspaceService>();
    WorkspaceOpener::setService(m_workspace.get());
    m_streams = FileEventStreamService::createSystemService(m_setup.eventLatency);
    QString markerFolder = m_setup.markerFolder;
    if (markerFolder.isEmpty() && full)
        markerFolder = TrevaselCommon::getTransferringMarkerFolder();
    m_service = std::make_unique<ImportService>(ImportService::Services{
        m_streams.get(), EventIdStore::forProgram(m_parts.programName), m_parts.makeJob, m_parts.edition,
        VolumeService::volumesFolders(), markerFolder, m_setup.cardSettleTime, m_setup.watchSettleTime});
    connect(m_service.get(), &ImportService::watchFolderMissing, this, [](const QString& folder) {
        TransferPresenter::showAlert(Strings::text(QStringLiteral("ApplicationMessage25")).arg(folder), true);
    });
    connect(m_service.get(), &ImportService::stopped, this, [] { QCoreApplication::quit(); });
    // Beside the result window, the desktop says how many pictures arrived, also while the
    // receptionist is busy in another program.
    connect(m_service.get(), &ImportService::batchEnded, this, [this](const ImportOutcome& outcome) {
        if (outcome.transferred > 0 && outcome.settings && outcome.settings->displayDesktopNotice)
            m_statusItem->notifyArrival(outcome.transferred, outcome.settings->destinationFolderPath);
    });
    m_presenter =
        std::make_unique<TransferPresenter>(*m_service, m_parts.edition, [this](const QStringList& cards) {
            if (m_cardVolumes)
                m_cardVolumes->ejectMedia(cards);
        });
    m_presenter->setClosingTime(m_setup.closingTime);
    connect(m_presenter.get(), &TransferPresenter::folderRequested, this, [](const QString& folder) {
        WorkspaceOpener::openFolder(folder, openWindow(TrevaselWindowManager::CopyResult));
    });
    connect(m_presenter.get(), &TransferPresenter::picturesRefused, this, [this](const QString& message) {
        m_statusItem->notify(Strings::text(QStringLiteral("Notification_RefusedTitle")), message,
                             SettingsSnapshot::read()->watchFolderPath);
    });

    if (full)
        m_cardVolumes = std::make_unique<CardVolumes>(*m_service, VolumeService::createSystemService(),
                                                      std::make_unique<UDisksEjectService>());

    // A network volume may still be mounting: the sources wait for the destination, on a timer.
    const double seconds = std::clamp(settings.waitSecondsForDestination, 0.0, 3600.0);
    m_destinationDeadline = QDeadlineTimer(static_cast<qint64>(seconds * 1000));
    const QString destination = settings.destinationFolderPath;
    // A destination that is not set yet (a fresh installation) cannot appear by waiting.
    if (!full || isFolder(destination) || destination.isEmpty() || m_destinationDeadline.hasExpired())
        finishLaunching();
    else
        m_destinationWait.start();
    return true;
}

void TrevaselAppDelegate::waitForDestination()
{
    if (m_quitting) {
        m_destinationWait.stop();
        return;
    }
    if (isFolder(SettingsSnapshot::read()->destinationFolderPath) || m_destinationDeadline.hasExpired()) {
        m_destinationWait.stop();
        finishLaunching();
    }
}

void TrevaselAppDelegate::finishLaunching()
{
    const SettingsSnapshotPtr settings = SettingsSnapshot::read();
    if (m_parts.edition == Edition::Basic || isFolder(settings->destinationFolderPath))
        m_service->registerSources(settings);
    else if (settings->destinationFolderPath.isEmpty() && !m_settingsReplaced)
        welcome();                // nobody chose a destination yet: nothing has gone missing
    else if (!m_settingsReplaced) // the settings alert already leads to the settings window
        TransferPresenter::showAlert(Strings::text(QStringLiteral("ApplicationMessage26")), true);

    // DICOM files an earlier run could not write or send go first (nothing else waits).
    if (settings->dicomExport)
        m_service->deliverWaiting(settings);
    registerLoginItem(*settings);
    stampBuildNumber();
    m_statusItem->changeDestinationFolderMenuItem(*settings);
    if (m_settingsAsked) // the desktop entry's "Settings" action
        showWindow(TrevaselWindowManager::Config);
    Logger::info(
        QStringLiteral("%1 %2 (%3) is running")
            .arg(m_parts.programName, TrevaselCommon::getVersionNubmer(), TrevaselCommon::getBuildNumber()));
    Q_EMIT launched();
}

void TrevaselAppDelegate::welcome()
{
    Logger::info(QStringLiteral("no destination folder chosen yet: the settings window welcomes the user"));
    if (auto* config = qobject_cast<ConfigWindowController*>(
            TrevaselWindowManager::sharedInstance().getWindowController(TrevaselWindowManager::Config)))
        config->showWelcome();
}

void TrevaselAppDelegate::quit()
{
    if (m_quitting)
        return;
    m_quitting = true;
    Logger::info(QStringLiteral("quitting"));
    if (m_service)
        m_service->stop(); // quits once the batch in hand has ended
    else
        QCoreApplication::quit();
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

void TrevaselAppDelegate::stampBuildNumber()
{
    if (m_settingsUntouchable)
        return;
    QVariantMap stored = TrevaselCommon::getUserSettingDictionary();
    if (SettingsSnapshot::fromDictionary(stored).lastBuildNumber >= TrevaselCommon::getBuildNumber().toInt())
        return;
    stored.insert(QLatin1String(SettingsKey::lastBuildNumber), TrevaselCommon::getBuildNumber());
    TrevaselCommon::writeUserSettingDictionary(stored);
}

void TrevaselAppDelegate::startTimers(const SettingsSnapshot& settings)
{
    m_ngAnswers = std::make_unique<NGAnswerWindow>(
        [] { return SettingsSnapshot::read(); },
        [](const QString& folder) {
            // The rejected-delivery window asked: a folder that cannot be opened is said on it.
            WorkspaceOpener::openFolder(folder, openWindow(TrevaselWindowManager::NGFileCheckResult));
        });
    m_ngAnswers->poller().start(settings);
    // The lists are fetched without blocking: a slow server never holds up an import.
    QTimer::singleShot(3000, this, [] { UpdateChecker::runStartupCheck(); });
    QTimer::singleShot(5000, this, [] { InformationChecker::runStartupCheck(); });
    const QString database = TrevaselCommon::getDBFilePath();
    const auto purge = m_parts.purgeHistory;
    m_purge = std::make_unique<HistoryPurgeTimer>([purge, database](qint64 before) {
        if (purge)
            purge(database, before);
    });
    m_purge->start();
}

void TrevaselAppDelegate::settingsApplied(const SettingsSnapshotPtr& settings)
{
    // The sources follow at once, or once the running batch has ended.
    if (m_parts.edition == Edition::Basic || isFolder(settings->destinationFolderPath))
        m_service->registerSources(settings);
    registerLoginItem(*settings);
    m_statusItem->changeDestinationFolderMenuItem(*settings);
}

void TrevaselAppDelegate::registerLoginItem(const SettingsSnapshot& settings)
{
    const AutostartOnLoginService loginItem(m_parts.programName, QCoreApplication::applicationFilePath());
    if (settings.autoStartUp)
        loginItem.enableLoginItem();
    else
        loginItem.disableLoginItem();
}

void TrevaselAppDelegate::wireWindow(BaseWindowController* controller)
{
    if (auto* config = qobject_cast<ConfigWindowController*>(controller))
        connect(config, &ConfigWindowController::settingsApplied, this,
                &TrevaselAppDelegate::settingsApplied);
    else if (auto* detail = qobject_cast<DetailConfigWindowController*>(controller)) {
        detail->setShowAllItems(m_showAllItems);
        if (m_parts.testDicomPeer)
            detail->setPeerTest(m_parts.testDicomPeer);
    }
}

void TrevaselAppDelegate::openFolder(const QString& folder, const QString& fallback)
{
    WorkspaceOpener::openFolder(folder.isEmpty() ? fallback : folder);
}

void TrevaselAppDelegate::showWindow(int windowId)
{
    if (BaseWindowController* controller =
            TrevaselWindowManager::sharedInstance().getWindowController(windowId)) {
        controller->showWindow();
        controller->orderFront();
    }
}
