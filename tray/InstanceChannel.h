#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// How a second start of the program reaches the running one: a local socket in the user's runtime
// folder. The running program listens; a second start (or the desktop entry's "Settings" action)
// connects, asks for the settings window, waits for the answer and ends. A socket that nobody
// answers on is a leftover of a program that died, and the next one to run takes its place.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    explicit InstanceChannel(const QString& programName, QObject* parent = nullptr);

    // The running program: listens, replacing a leftover socket. False (logged) when it cannot.
    bool listen();

    // A second start: asks the running program to open its settings window. True when it said it
    // would, within the time.
    static bool askRunning(const QString& programName, int timeoutMilliseconds = 2000);

    // The socket's path for the program.
    static QString socketPath(const QString& programName);

Q_SIGNALS:
    void settingsRequested();

private:
    void answer();

    QString m_path;
    QLocalServer m_server;
};
