#pragma once

#include <QString>

// The user defaults that keep where each source's event stream stopped: the id of the last event
// batch it handled, an unsigned 64-bit number, 0 when none was handled yet.
class EventIdStore
{
public:
    static constexpr const char* kSDCardKey = "EVENT_ID_SD_CARD";
    static constexpr const char* kImageFileKey = "EVENT_ID_IMAGE_FILE";

    // The program's user defaults: "$XDG_CONFIG_HOME/<program>/<program>.conf", where
    // QSettings(program, program) keeps them, found afresh at each use.
    static EventIdStore forProgram(const QString& programName);
    // A settings file of the given path, in INI form.
    explicit EventIdStore(QString iniFilePath) : m_iniFilePath(std::move(iniFilePath)) {}

    // 0 when the key is absent or holds no number.
    quint64 load(const char* key) const;
    // Written to disk at once (the file is replaced whole); a failed write is logged.
    void save(const char* key, quint64 eventId) const;

    const QString& filePath() const { return m_iniFilePath; }

private:
    QString m_iniFilePath;
};
