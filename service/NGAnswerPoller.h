#pragma once

#include "app/SettingsSnapshot.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

// Looks for the practice-management system's ".NG" answers in the destination's "deliver" folder
// on a timer, and hands each one found to whoever tells the user: the tray program's
// rejected-delivery window, or the log when no one can be shown anything.
class NGAnswerPoller : public QObject
{
    Q_OBJECT

public:
    using SettingsReader = std::function<SettingsSnapshotPtr()>;
    // Called for each answer file in the "deliver" folder, in the folder's order, with its name as
    // the filesystem's bytes; false ends this look.
    using AnswerHandler = std::function<bool(const QString& deliver, const QByteArray& name)>;

    NGAnswerPoller(SettingsReader settings, AnswerHandler answer, QObject* parent = nullptr);

    // Starts polling with the period of the settings.
    void start(const SettingsSnapshot& settings);
    // One look at the "deliver" folder.
    void timerNGFileCheck();

    // The period: "check ng file interval time", or 10 seconds (logged) when the setting holds no
    // usable period (absent, not a number, below 1 second or above a day).
    static double ngFileCheckIntervalSeconds(const SettingsSnapshot& settings);
    // The medical record number an answer file names: its name without ".NG".
    static QString medicalRecordNumber(const QByteArray& name);
    // Where no window can show it: the answer is logged at warning level with its medical record
    // number and removed, as the window's answer is once shown. Always goes on to the next one.
    static bool logAnswer(const QString& deliver, const QByteArray& name);

private:
    SettingsReader m_settings;
    AnswerHandler m_answer;
    QTimer m_timer;
};
