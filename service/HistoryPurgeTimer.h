#pragma once

#include "app/SettingsSnapshot.h"

#include <QObject>
#include <QTimer>

#include <functional>

// Once an hour: when more than "delete imported file record interval time" seconds have passed since
// "last delete imported file record datetime", the import history forgets the rows imported up to that
// time, and the time of this purge is stored.
class HistoryPurgeTimer : public QObject
{
    Q_OBJECT

public:
    // Purges the rows imported at or before the time (yyyyMMddHHmmss).
    using Purge = std::function<void(qint64 before)>;

    explicit HistoryPurgeTimer(Purge purge, QObject* parent = nullptr);

    void start();
    // One check, as the timer makes it; true when it purged.
    bool timerDeleteImportedFileRecord(const SettingsSnapshot& settings, const QDateTime& now);

private:
    Purge m_purge;
    QTimer m_timer;
};
