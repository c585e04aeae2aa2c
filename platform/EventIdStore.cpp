#include "platform/EventIdStore.h"

#include "platform/Logger.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace {

std::unique_ptr<QSettings> open(const QString& iniFilePath)
{
    return std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat);
}

} // namespace

EventIdStore EventIdStore::forProgram(const QString& programName)
{
    // QSettings finds the user's configuration folder once per process; QStandardPaths looks each
    // time, so a test that points XDG_CONFIG_HOME elsewhere is obeyed.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return EventIdStore(
        QDir(config).filePath(programName + QLatin1Char('/') + programName + QStringLiteral(".conf")));
}

quint64 EventIdStore::load(const char* key) const
{
    bool ok = false;
    const quint64 id = open(m_iniFilePath)->value(QLatin1String(key)).toString().toULongLong(&ok);
    return ok ? id : 0;
}

void EventIdStore::save(const char* key, quint64 eventId) const
{
    // Kept as text: every number survives the settings file's format whole.
    const auto settings = open(m_iniFilePath);
    settings->setValue(QLatin1String(key), QString::number(eventId));
    settings->sync();
    if (settings->status() != QSettings::NoError)
        Logger::info(QStringLiteral("event id %1 not stored under %2").arg(eventId).arg(QLatin1String(key)));
}
