#include "ui/Strings.h"

#include "app/TrevaselCommon.h"
#include "platform/Logger.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>
#include <QStringList>

#include <optional>

namespace {

using Table = QHash<QString, QString>;

Table loadTable(const QString& resource)
{
    Table table;
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        table.insert(it.key(), it.value().toString());
    return table;
}

// Tables are read once each; every caller runs on the main thread.
const Table& table(const QString& name)
{
    static QHash<QString, Table> tables;
    auto it = tables.find(name);
    if (it == tables.end())
        it = tables.insert(name, loadTable(QStringLiteral(":/strings/%1.json").arg(name)));
    return *it;
}

QString& forcedLanguage()
{
    static QString language;
    return language;
}

std::optional<QString> lookUp(const QString& language, const QString& key)
{
    if (TrevaselCommon::edition() == Edition::Basic) {
        const Table& basic = table(QStringLiteral("basic-") + language);
        if (auto it = basic.find(key); it != basic.end())
            return *it;
    }
    const Table& shared = table(language);
    if (auto it = shared.find(key); it != shared.end())
        return *it;
    return std::nullopt;
}

} // namespace

namespace Strings {

QString language()
{
    if (!forcedLanguage().isEmpty())
        return forcedLanguage();
    const QStringList preferred = QLocale::system().uiLanguages();
    return !preferred.isEmpty() && preferred.first().startsWith(QLatin1String("ja")) ? QStringLiteral("ja")
                                                                                     : QStringLiteral("en");
}

void setLanguage(const QString& language)
{
    forcedLanguage() = language;
}

QString text(const QString& key)
{
    if (auto found = lookUp(language(), key))
        return *found;
    if (auto english = lookUp(QStringLiteral("en"), key))
        return *english;
    static QSet<QString> reported;
    if (!reported.contains(key)) {
        reported.insert(key);
        Logger::debug(QStringLiteral("no text for the key [%1]").arg(key));
    }
    return key;
}

bool contains(const QString& language, const QString& key)
{
    return table(language).contains(key);
}

QStringList keys(const QString& language)
{
    QStringList keys = table(language).keys();
    keys.sort();
    return keys;
}

} // namespace Strings
