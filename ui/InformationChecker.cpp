#include "ui/InformationChecker.h"

#include "app/SettingsKeys.h"
#include "app/SettingsSnapshot.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "platform/HttpFetch.h"
#include "ui/CheckThenOpenWindow.h"
#include "ui/InformationCheckWindowController.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"
#include "ui/UpdateChecker.h"

QString InformationCheckResult::text(bool japanese) const
{
    // The Japanese list has always put a space before its line breaks.
    if (japanese)
        return QString(japaneseText)
            .replace(QLatin1String("<br>"), QLatin1String(" \r"))
            .replace(QLatin1String("<BR>"), QLatin1String("\r"));
    return QString(englishText)
        .replace(QLatin1String("<br>"), QLatin1String("\r"))
        .replace(QLatin1String("<BR>"), QLatin1String("\r"));
}

InformationChecker::InformationChecker(QObject* parent) : QObject(parent) {}

bool InformationChecker::isJapaneseReader()
{
    return Strings::language() == QLatin1String("ja");
}

void InformationChecker::check()
{
    const SettingsSnapshotPtr settings = SettingsSnapshot::read();
    const QString url =
        isJapaneseReader() ? settings->informationCheckSite : settings->informationCheckSiteEnglish;
    auto* fetch = new HttpFetch(this);
    connect(fetch, &HttpFetch::finished, this, [this, fetch](bool answered, const QByteArray& body) {
        fetch->deleteLater();
        Q_EMIT finished(checkInformation(answered ? std::optional(body) : std::nullopt));
    });
    fetch->get(url, UpdateChecker::timeout());
}

void InformationChecker::runStartupCheck()
{
    const int checkedId = SettingsSnapshot::read()->checkedInformationId;
    checkThenOpenWindow<InformationChecker, InformationCheckWindowController, InformationCheckResult>(
        TrevaselWindowManager::InformationCheck,
        [checkedId](const InformationCheckResult& result) { return result.found && result.id > checkedId; });
}

InformationCheckResult InformationChecker::checkInformation(const std::optional<QByteArray>& list)
{
    InformationCheckResult result;
    result.failed = true;
    int best = -1;
    for (const QString& line : UpdateChecker::listLines(list)) {
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != 8)
            continue;
        result.failed = false;
        const int id = SettingsValue::intFromText(fields[0]);
        if (id <= best)
            continue;
        best = id;
        result.id = id;
        result.field1 = fields[1];
        result.japaneseTitle = fields[2];
        result.japaneseText = fields[3];
        result.japaneseUrl = fields[4];
        result.englishTitle = fields[5];
        result.englishText = fields[6];
        result.englishUrl = fields[7];
    }
    result.found = best >= 0;
    return result;
}
