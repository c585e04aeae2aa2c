#include "ui/UpdateChecker.h"

#include "app/SettingsKeys.h"
#include "app/SettingsSnapshot.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "platform/HttpFetch.h"
#include "platform/Logger.h"
#include "ui/CheckThenOpenWindow.h"
#include "ui/TrevaselWindowManager.h"
#include "ui/UpdateCheckWindowController.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {
std::chrono::milliseconds fetchTimeout = UpdateChecker::kTimeout;
}

UpdateChecker::UpdateChecker(QObject* parent) : QObject(parent) {}

void UpdateChecker::setTimeout(std::chrono::milliseconds timeout)
{
    fetchTimeout = timeout;
}

std::chrono::milliseconds UpdateChecker::timeout()
{
    return fetchTimeout;
}

void UpdateChecker::check()
{
    const QString url = SettingsSnapshot::read()->versionCheckSite;
    auto* fetch = new HttpFetch(this);
    connect(fetch, &HttpFetch::finished, this, [this, fetch](bool answered, const QByteArray& body) {
        fetch->deleteLater();
        const std::optional<QByteArray> list = answered ? std::optional(body) : std::nullopt;
        Q_EMIT finished(
            checkUpdate(list, versionValue(TrevaselCommon::getVersionNubmer()), TrevaselCommon::edition()));
    });
    fetch->get(url, fetchTimeout);
}

void UpdateChecker::runStartupCheck()
{
    checkThenOpenWindow<UpdateChecker, UpdateCheckWindowController, UpdateCheckResult>(
        TrevaselWindowManager::UpdateCheck, [](const UpdateCheckResult& result) { return result.newer; });
}

QStringList UpdateChecker::listLines(const std::optional<QByteArray>& list)
{
    if (!list)
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(*list);
    if (decoder.hasError())
        return {};
    static const QRegularExpression newline(QStringLiteral("\r\n|\r|\n"));
    return text.split(newline);
}

double UpdateChecker::versionValue(const QString& version)
{
    // The number at the start ends at the second point.
    return SettingsValue::doubleFromText(version);
}

UpdateCheckResult UpdateChecker::checkUpdate(const std::optional<QByteArray>& list, double runningVersion,
                                             Edition edition)
{
    const bool basic = edition == Edition::Basic;
    const QStringList lines = listLines(list);
    if (basic)
        Logger::debug(QStringLiteral("version list:[%1]").arg(lines.join(QLatin1Char('\n'))));
    UpdateCheckResult result;
    result.failed = true;
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != 5)
            continue;
        if (basic)
            Logger::debug(QStringLiteral("version info array:[%1]").arg(fields.join(QLatin1Char(','))));
        result.failed = false;
        const double listed = SettingsValue::doubleFromText(fields[0] + QLatin1Char('.') + fields[1]);
        if (listed <= runningVersion)
            continue;
        result.version = QString::asprintf("%.2f", listed);
        result.name = fields[2];
        const QString& date = fields[3];
        result.date = basic ? QStringLiteral("(%1/%2/%3)").arg(date.left(4), date.mid(4, 2), date.mid(6))
                            : QStringLiteral("(%1)").arg(date);
        result.url = fields[4];
    }
    result.newer = !result.version.isEmpty();
    return result;
}
