#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT end the program cleanly: a running batch stops after the picture in hand (its
// job sees TransferJob::stopRequested()), removes its marker and stores its event id, and then the
// program quits. The handler only sets that flag and writes a byte to a pipe; quitRequested follows
// on the event loop.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void quitRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};
