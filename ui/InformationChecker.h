#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// The newest notice of the information list.
struct InformationCheckResult
{
    bool found = false;  // a well-formed line with an id of 0 or more
    bool failed = false; // the list held no well-formed line (or could not be fetched)
    int id = -1;
    QString field1;
    QString japaneseTitle;
    QString japaneseText;
    QString japaneseUrl;
    QString englishTitle;
    QString englishText;
    QString englishUrl;

    // What the notice window shows to a Japanese or another reader: title, text with its "<br>"
    // marks turned into line breaks, and link.
    QString title(bool japanese) const { return japanese ? japaneseTitle : englishTitle; }
    QString text(bool japanese) const;
    QString url(bool japanese) const { return japanese ? japaneseUrl : englishUrl; }
};

// The information notices of the full edition. The list holds lines of eight fields separated by ","
// (id, unused, Japanese title, text and link, English title, text and link); the line with the highest
// id is the newest notice, the first of equal ones. Japanese readers (by the system's first preferred
// language) read "information check site", the others "information check site english".
//
// Fetched without blocking, as the update check is. Start-up calls runStartupCheck once, 5 seconds
// after launch; the notice window (9) runs its own check.
class InformationChecker : public QObject
{
    Q_OBJECT

public:
    explicit InformationChecker(QObject* parent = nullptr);

    // Reads the list's URL for the reader's language now and fetches it; finished follows once.
    void check();

    // Reads "checked information id", checks, and opens the information window with the notice when it is
    // newer than the acknowledged one. Otherwise, and when the check failed, shows nothing.
    static void runStartupCheck();

    static InformationCheckResult checkInformation(const std::optional<QByteArray>& list);
    // True when the first preferred language of the system (or the forced language) is Japanese.
    static bool isJapaneseReader();

Q_SIGNALS:
    void finished(const InformationCheckResult& result);
};
