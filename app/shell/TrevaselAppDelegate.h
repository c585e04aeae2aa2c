#pragma once

#include "app/Edition.h"
#include "app/shell/EditionParts.h"
#include "app/shell/TraySourceShell.h"
#include "platform/EventIdStore.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <memory>

class AutostartOnLoginService;
class CopyOperator;
class EjectService;
class FileEventStreamService;
class QAction;
class QMenu;
class QSystemTrayIcon;
class SingleInstanceLock;
class VolumeService;
class WatchSDCardOperator;
class WorkspaceService;

// The root of the running tray program: prepares the per-user files, starts the timers, the status
// item and its menu, registers the watch-folder and camera-card sources, follows the volumes mounted
// and unmounted, and quits cleanly on the menu or on SIGTERM / SIGINT.
class TrevaselAppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit TrevaselAppDelegate(EditionParts parts, QObject* parent = nullptr);
    ~TrevaselAppDelegate() override;

    // Start-up; false when another copy of the program runs (the duplicate-start window is shown).
    bool applicationDidFinishLaunching(const QStringList& arguments);
    // Closes the log file when it was redirected.
    void applicationShouldTerminate();

    static bool isShowAllDetailConfigItems();
    // Registers the sources again from the settings now in the file, as after applying settings.
    void registerSources();

    // For each folder, unmounts and ejects the first mounted camera volume whose path occurs in it.
    void ejectMedia(const QStringList& folders);

    void didMount(const QString& mountPath);
    void didUnmount(const QString& mountPath);

    // The ".NG" check's period: "check ng file interval time", or 10 seconds (logged) when the
    // setting holds no usable period (absent, not a number, below 1 second or above a day).
    static double ngFileCheckIntervalSeconds(const QVariantMap& settings);

    // Timers.
    void timerNGFileCheck();
    void timerDeleteImportedFileRecord();

    // Menu actions.
    void showDestinationFolder();
    void showDestinationFolderMovie();
    void showRemoteSupportUrl();
    void showWindow(int windowId);

private:
    void redirectLog();
    void installDefaultFiles();
    // Sets "last build number" to the running build's when it is lower.
    void stampBuildNumber();
    void migrateSettings(const QVariantMap& stored);
    bool waitForDestination();
    void startTimers();
    void setUpStatusItem();
    void changeDestinationFolderMenuItem();
    void registerLoginItem();
    EditionParts m_parts;
    bool m_logRedirected = false;
    std::unique_ptr<SingleInstanceLock> m_instanceLock;
    std::unique_ptr<FileEventStreamService> m_streams;
    std::unique_ptr<VolumeService> m_volumes;
    std::unique_ptr<EjectService> m_eject;
    std::unique_ptr<WorkspaceService> m_workspace;
    std::unique_ptr<TraySourceShell> m_shell;
    std::unique_ptr<CopyOperator> m_watchFolder;
    std::unique_ptr<WatchSDCardOperator> m_cardSource;
    QTimer m_ngFileTimer;
    QTimer m_purgeTimer;
    QSystemTrayIcon* m_statusItem = nullptr;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_showDestination = nullptr;
    QAction* m_showDestinationPicture = nullptr;
    QAction* m_showDestinationMovie = nullptr;
};
