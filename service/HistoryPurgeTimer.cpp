#include "service/HistoryPurgeTimer.h"

#include "app/SettingsKeys.h"
#include "app/TrevaselCommon.h"

#include <QDateTime>

namespace {
constexpr int kIntervalMilliseconds = 3600 * 1000;
} // namespace

HistoryPurgeTimer::HistoryPurgeTimer(Purge purge, QObject* parent)
    : QObject(parent), m_purge(std::move(purge))
{
    m_timer.setInterval(kIntervalMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        timerDeleteImportedFileRecord(*SettingsSnapshot::read(), QDateTime::currentDateTime());
    });
}

void HistoryPurgeTimer::start()
{
    m_timer.start();
}

bool HistoryPurgeTimer::timerDeleteImportedFileRecord(const SettingsSnapshot& settings, const QDateTime& now)
{
    const auto last = TrevaselCommon::stringToDate(settings.lastDeleteImportedFileRecordDatetime);
    // No valid last purge time counts as no time elapsed.
    if (!last || !(static_cast<double>(last->secsTo(now)) > settings.deleteImportedFileRecordIntervalTime) ||
        !m_purge)
        return false;
    m_purge(TrevaselCommon::dateToString(*last).toLongLong());
    // The purge time goes into the file as it is now: only this one key changes.
    QVariantMap stored = TrevaselCommon::getUserSettingDictionary();
    stored.insert(QLatin1String(SettingsKey::lastDeleteImportedFileRecordDatetime),
                  TrevaselCommon::dateToString(now));
    TrevaselCommon::writeUserSettingDictionary(stored);
    return true;
}
