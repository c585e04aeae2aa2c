#include "tools/SettingsCommand.h"

#include "app/PropertyList.h"
#include "app/SettingsKeyTypes.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "tools/CommandLine.h"
#include "tools/JsonText.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli settings",
    .usage = "usage: trevasel-cli settings init FILE [--basic] [--force]\n"
             "       trevasel-cli settings show FILE\n"
             "       trevasel-cli settings set FILE [--basic] KEY VALUE [KEY VALUE...]\n",
    .description =
        "  init   writes the edition's default settings file (\"Trevasel-setting.plist\") to FILE; an\n"
        "         existing FILE is kept unless --force is given\n"
        "  show   prints every key of FILE, one per line: the key, its stored type and its value (texts\n"
        "         quoted)\n"
        "  set    checks every VALUE against its KEY's type and then writes all of them at once; FILE is\n"
        "         replaced atomically, and nothing is changed when any pair is refused. Only the keys of\n"
        "         the edition are accepted: the full edition's by default, with --basic the basic\n"
        "         edition's (whose settings window drops every other key).\n"
        "         booleans: true, false, yes, no, 1, 0; integers: decimal digits; seconds: a number not\n"
        "         below 0; sites: an http or https address; folder paths: absolute or empty;\n"
        "         \"last delete imported file record datetime\": yyyyMMddHHmmss; "
        "\"only camera formated SD\"\n"
        "         and \"id number zero padding\": 1. Booleans are stored as booleans, whichever form\n"
        "         the file held before.\n",
    .epilogue =
        "Exit status: 0 on success, 1 when FILE cannot be read or written or a pair is refused, 64 on a\n"
        "usage error.\n",
};

int failure(const QString& message)
{
    std::fprintf(stderr, "trevasel-cli settings: %s\n", message.toUtf8().constData());
    return 1;
}

QString quotedKey(const QString& key)
{
    return QLatin1Char('"') + key + QLatin1Char('"');
}

// The property-list type of a stored value, as "settings show" names it.
QString storedTypeName(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return QStringLiteral("boolean");
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QStringLiteral("integer");
    case QMetaType::Double:
        return QStringLiteral("real");
    case QMetaType::QString:
        return QStringLiteral("string");
    case QMetaType::QByteArray:
        return QStringLiteral("data");
    case QMetaType::QDateTime:
        return QStringLiteral("date");
    case QMetaType::QVariantList:
        return QStringLiteral("array");
    case QMetaType::QVariantMap:
        return QStringLiteral("dict");
    default:
        return QStringLiteral("?");
    }
}

QByteArray shownValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? "true" : "false";
    case QMetaType::QString:
        return JsonText::quoted(value.toString());
    case QMetaType::QByteArray:
        return value.toByteArray().toBase64();
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(Qt::ISODate).toUtf8();
    case QMetaType::QVariantList:
        return QByteArray::number(value.toList().size()) + " items";
    case QMetaType::QVariantMap:
        return QByteArray::number(value.toMap().size()) + " keys";
    default:
        return SettingsValue::stringValue(value).toUtf8();
    }
}

int init(const QString& path, Edition edition, bool force)
{
    if (!force && QFileInfo::exists(path))
        return failure(QStringLiteral("%1 exists; add --force to replace it with the defaults").arg(path));
    const QString resource = edition == Edition::Basic ? QStringLiteral(":/basic/Trevasel-setting.plist")
                                                       : QStringLiteral(":/full/Trevasel-setting.plist");
    QFile defaults(resource);
    if (!defaults.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("the default settings are missing from this program"));
    // Written as bytes through QSaveFile: a copy would carry the resource's read-only permissions.
    QSaveFile file(path);
    const QByteArray data = defaults.readAll();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return failure(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return 0;
}

int show(const QString& path)
{
    const auto settings = PropertyList::readFile(path);
    if (!settings)
        return failure(QStringLiteral("%1 is missing or not a settings property list").arg(path));
    qsizetype width = 0;
    for (auto it = settings->begin(); it != settings->end(); ++it)
        width = std::max(width, it.key().toUtf8().size());
    QByteArray text;
    for (auto it = settings->begin(); it != settings->end(); ++it) {
        const QByteArray key = it.key().toUtf8();
        text += key + QByteArray(width - key.size() + 2, ' ');
        text += storedTypeName(it.value()).toUtf8().leftJustified(9, ' ');
        text += shownValue(it.value()) + '\n';
    }
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int set(const QString& path, Edition edition, const QStringList& pairs)
{
    auto settings = PropertyList::readFile(path);
    if (!settings)
        return failure(
            QStringLiteral("%1 is missing or not a settings property list ('settings init' writes one)")
                .arg(path));
    // Every pair is checked before anything is written, so a refusal leaves the file as it was.
    QStringList refusals;
    QVariantMap changes;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        const QString& key = pairs[i];
        const auto type = SettingsKey::typeOf(key, edition);
        if (!type) {
            if (edition == Edition::Basic && SettingsKey::typeOf(key, Edition::Full))
                refusals << QStringLiteral("%1 is a key of the full edition only (drop --basic to set it)")
                                .arg(quotedKey(key));
            else
                refusals << QStringLiteral("unknown key %1").arg(quotedKey(key));
            continue;
        }
        QString why;
        const auto value = SettingsKey::valueFromText(*type, pairs[i + 1], &why);
        if (!value) {
            refusals << QStringLiteral("%1 %2; \"%3\" is not one").arg(quotedKey(key), why, pairs[i + 1]);
            continue;
        }
        changes.insert(key, *value);
    }
    if (!refusals.isEmpty()) {
        refusals << QStringLiteral("nothing was changed in %1").arg(path);
        return failure(refusals.join(QLatin1String("\ntrevasel-cli settings: ")));
    }
    settings->insert(changes);
    if (!PropertyList::writeFile(path, *settings))
        return failure(QStringLiteral("cannot write %1; it is unchanged").arg(path));
    return 0;
}

} // namespace

int runSettingsCommand(const QStringList& arguments)
{
    const QCommandLineOption basicOption(
        QStringLiteral("basic"), QStringLiteral("the basic edition's default file (init) or keys (set)"));
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("replace an existing FILE with the defaults (init)"));
    CommandLine commandLine(texts, {basicOption, forceOption});
    // Options go before the first KEY; from there on every argument is taken as it stands, so a
    // value may begin with a minus sign. The parser stops reading options at the first word, so it
    // reads once up to the subcommand, once up to FILE and once up to the first KEY.
    commandLine.parser().setOptionsAfterPositionalArgumentsMode(
        QCommandLineParser::ParseAsPositionalArguments);
    bool basic = false;
    bool force = false;
    QStringList words; // the subcommand, FILE, then the KEY VALUE pairs
    QStringList unread = arguments;
    for (;;) {
        const bool parsed = commandLine.parse(unread);
        if (commandLine.helpAsked())
            return commandLine.showHelp();
        if (!parsed)
            return commandLine.usageError(commandLine.errorMessage());
        basic = basic || commandLine.parser().isSet(basicOption);
        force = force || commandLine.parser().isSet(forceOption);
        const QStringList found = commandLine.parser().positionalArguments();
        // The words found are the end of what was read, as it stood; a "--" before them ended the
        // options for good.
        const qsizetype firstWord = unread.size() - found.size();
        const bool optionsEnded = firstWord > 0 && unread[firstWord - 1] == QLatin1String("--");
        if (found.isEmpty() || words.size() >= 2 || optionsEnded) {
            words << found;
            break;
        }
        words << found.first();
        unread = found.mid(1);
    }
    if (words.isEmpty())
        return commandLine.usageError(QStringLiteral("a subcommand is needed"));
    const QString subcommand = words.takeFirst();
    if (force && subcommand != QLatin1String("init"))
        return commandLine.usageError(QStringLiteral("unknown option '--force'"));
    if (words.isEmpty())
        return commandLine.usageError(QStringLiteral("FILE is missing"));
    const QString path = words.takeFirst();
    const QStringList& rest = words;
    const Edition edition = basic ? Edition::Basic : Edition::Full;

    if (subcommand == QLatin1String("init")) {
        if (!rest.isEmpty())
            return commandLine.usageError(QStringLiteral("init takes only FILE"));
        return init(path, edition, force);
    }
    if (subcommand == QLatin1String("show")) {
        if (!rest.isEmpty() || edition != Edition::Full)
            return commandLine.usageError(QStringLiteral("show takes only FILE"));
        return show(path);
    }
    if (subcommand == QLatin1String("set")) {
        if (rest.isEmpty() || rest.size() % 2 != 0)
            return commandLine.usageError(QStringLiteral("set takes KEY VALUE pairs"));
        return set(path, edition, rest);
    }
    return commandLine.usageError(QStringLiteral("unknown subcommand '%1'").arg(subcommand));
}
