#pragma once

#include "app/Edition.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// What the version list says about the running version.
struct UpdateCheckResult
{
    bool failed = false; // the list held no well-formed line (or could not be fetched)
    bool newer = false;
    QString name;
    QString date;    // "(2015)" as listed; the basic edition's "(2015/04/01)" from "20150401"
    QString version; // "1.30": two decimals
    QString url;
};

// The version check. The list ("version check site") holds lines of five fields separated by ","
// (major, minor, name, date, download page); the last line whose "major.minor" is above the running
// version's leading "major.minor" is the newer version.
//
// The list is fetched without blocking: check() returns at once and finished follows. Start-up calls
// runStartupCheck once, 3 seconds after launch; the update window (4) runs its own check.
class UpdateChecker : public QObject
{
    Q_OBJECT

public:
    explicit UpdateChecker(QObject* parent = nullptr);

    // Reads "version check site" now and fetches the list; finished follows once.
    void check();

    // Checks, and when a newer version is listed opens the update window with the result and brings it to
    // front. A failed check or no newer version shows nothing.
    static void runStartupCheck();

    // The verdict on a fetched list (nothing when the fetch failed). Lines end with LF, CR or CR LF.
    static UpdateCheckResult checkUpdate(const std::optional<QByteArray>& list, double runningVersion,
                                         Edition edition);
    // The number a version text compares as: its leading "major.minor" ("1.2.3" counts as 1.2).
    static double versionValue(const QString& version);

    // The lines of a fetched list, split at any newline and decoded as UTF-8; none when the fetch
    // failed or the body is not UTF-8.
    static QStringList listLines(const std::optional<QByteArray>& list);

    // How long a fetch may take; tests shorten it.
    static constexpr std::chrono::milliseconds kTimeout{std::chrono::seconds(60)};
    static void setTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds timeout();

Q_SIGNALS:
    void finished(const UpdateCheckResult& result);
};
