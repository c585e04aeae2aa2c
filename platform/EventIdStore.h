#pragma once

#include <QString>

// The user defaults that keep where each source's event stream stopped: the id of the last event
// batch it handled, an unsigned 64-bit number, 0 when none was handled yet.
class EventIdStore
{
public:
    static constexpr const char* kSDCardKey = "EVENT_ID_SD_CARD";
    static constexpr const char* kImageFileKey = "EVENT_ID_IMAGE_FILE";

    // The application's own QSettings (named by the organization and application names of the
    // QCoreApplication, which each program's main sets).
    EventIdStore() = default;
    // A settings file of its own, in INI form (tests).
    explicit EventIdStore(QString iniFilePath) : m_iniFilePath(std::move(iniFilePath)) {}

    // 0 when the key is absent or holds no number.
    quint64 load(const char* key) const;
    // Written to disk at once; a failed write is logged.
    void save(const char* key, quint64 eventId) const;

private:
    QString m_iniFilePath;
};
