#pragma once

#include "app/SettingsSnapshot.h"

#include <QObject>
#include <QTimer>

#include <functional>

// Looks for the practice-management system's ".NG" answers in the destination's "deliver" folder
// on a timer. The first one found opens the rejected-delivery window with its medical record number
// and is removed; while that window is open it only comes to the front, and an answer for the number
// it shows is removed.
class NGAnswerPoller : public QObject
{
    Q_OBJECT

public:
    using SettingsReader = std::function<SettingsSnapshotPtr()>;
    using FolderOpener = std::function<void(const QString& folder)>;

    NGAnswerPoller(SettingsReader settings, FolderOpener openFolder, QObject* parent = nullptr);

    // Starts polling with the period of the settings.
    void start(const SettingsSnapshot& settings);
    // One look at the "deliver" folder.
    void timerNGFileCheck();

    // The period: "check ng file interval time", or 10 seconds (logged) when the setting holds no
    // usable period (absent, not a number, below 1 second or above a day).
    static double ngFileCheckIntervalSeconds(const SettingsSnapshot& settings);

private:
    SettingsReader m_settings;
    FolderOpener m_openFolder;
    QTimer m_timer;
    QByteArray m_shownAnswer; // the answer file the open window shows, as its name's bytes
};
