#pragma once

#include "app/SettingsSnapshot.h"
#include "tray/EditionParts.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <memory>

class BaseWindowController;
class CardVolumes;
class FileEventStreamService;
class HistoryPurgeTimer;
class ImportService;
class InstanceChannel;
class NGAnswerWindow;
class SingleInstanceLock;
class StatusItem;
class TransferPresenter;
class WorkspaceService;

// The running tray program: the start-up sequence, and what ties the parts together. It prepares
// the per-user files, starts the timers and the status item, makes the import service and wires it
// to the windows, follows the volumes mounted and unmounted, and quits cleanly on the menu or on
// SIGTERM / SIGINT (the batch in hand ends after its picture in hand first).
class TrevaselAppDelegate : public QObject
{
    Q_OBJECT

public:
    // Where the running program differs from one under test: tests hand their own marker folder
    // and shorter waits.
    struct Setup
    {
        QString markerFolder; // empty: beside the program, or in the runtime folder
        std::chrono::milliseconds eventLatency{5000};
        std::chrono::milliseconds cardSettleTime{2500};
        std::chrono::milliseconds watchSettleTime{2000};
        std::chrono::milliseconds closingTime{1500};
    };

    explicit TrevaselAppDelegate(EditionParts parts, QObject* parent = nullptr);
    TrevaselAppDelegate(EditionParts parts, Setup setup, QObject* parent = nullptr);
    ~TrevaselAppDelegate() override;

    // Start-up; false when another copy of the program runs (the duplicate-start window is shown).
    // The sources start once the destination is there (a network volume may still be mounting);
    // "is running" is logged then.
    bool applicationDidFinishLaunching(const QStringList& arguments);
    // Closes the log file when it was redirected.
    void applicationShouldTerminate();

    // Ends the program: the import service stops after the picture in hand, then the event loop
    // quits.
    void quit();

    ImportService* importService() const { return m_service.get(); }
    TransferPresenter* presenter() const { return m_presenter.get(); }

Q_SIGNALS:
    // The sources are registered (or cannot be) and the program runs.
    void launched();

private:
    void redirectLog();
    void installDefaultFiles();
    // Sets "last build number" to the running build's when it is lower.
    void stampBuildNumber();
    void startTimers(const SettingsSnapshot& settings);
    void waitForDestination();
    void finishLaunching();
    // A first start: the settings window opens with its welcome and the destination chooser.
    void welcome();
    void settingsApplied(const SettingsSnapshotPtr& settings);
    void registerLoginItem(const SettingsSnapshot& settings);
    void wireWindow(BaseWindowController* controller);
    void showWindow(int windowId);
    void openFolder(const QString& folder, const QString& fallback);

    EditionParts m_parts;
    Setup m_setup;
    bool m_logRedirected = false;
    bool m_showAllItems = false;
    bool m_quitting = false;
    // The settings file could not be read at start-up: it was kept aside and the defaults put in its
    // place, or, where it could not be moved, it is never written.
    bool m_settingsReplaced = false;
    bool m_settingsUntouchable = false;
    std::unique_ptr<SingleInstanceLock> m_instanceLock;
    std::unique_ptr<InstanceChannel> m_channel;
    bool m_settingsAsked = false; // started with "--settings"
    std::unique_ptr<FileEventStreamService> m_streams;
    std::unique_ptr<WorkspaceService> m_workspace;
    std::unique_ptr<ImportService> m_service;
    std::unique_ptr<TransferPresenter> m_presenter;
    std::unique_ptr<CardVolumes> m_cardVolumes;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<NGAnswerWindow> m_ngAnswers;
    std::unique_ptr<HistoryPurgeTimer> m_purge;
    QTimer m_destinationWait;
    QDeadlineTimer m_destinationDeadline;
};
