#include "tools/HistoryCommand.h"

#include "tools/CommandLine.h"
#include "tools/JsonText.h"

#include "app/TrevaselCommon.h"
#include "history/FMDatabase.h"
#include "history/FMResultSet.h"
#include "history/ImportedFileDao.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>

#include <cstdio>
#include <optional>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli history",
    .usage = "usage: trevasel-cli history list [--database FILE]\n"
             "       trevasel-cli history purge-before YYYYMMDDHHMMSS [--database FILE]\n",
    .description =
        "Shows or tidies the import history of the full edition (TrevaselForPravena): the database in\n"
        "which the program notes every imported picture, so that the same shot is refused the next time.\n"
        "\n"
        "  list            prints every row, lowest id first, one JSON object per line:\n"
        "                    {\"id\":1,\"file_name\":\"...\",\"camera_id\":\"...\","
        "\"datetime\":20240131093000,\n"
        "                     \"original_file_name\":\"...\",\"transferred_folder\":\"...\"}\n"
        "                  datetime is the import time as the number yyyyMMddHHmmss, local time; a text the\n"
        "                  row holds as NULL prints as null. An empty history prints nothing.\n"
        "  purge-before YYYYMMDDHHMMSS\n"
        "                  deletes the rows imported at or before that local time (inclusive), as the\n"
        "                  program's hourly purge does, and says how many went. A purged picture counts as\n"
        "                  new and is imported again if its card is read again.\n",
    .epilogue =
        "Neither command creates a database: a missing FILE is reported as an error (the program makes\n"
        "the database when it starts), and so is a file that is damaged or holds no imported_file\n"
        "table. While the program is writing, a command waits up to 5 seconds for the database, then\n"
        "gives up.\n"
        "\n"
        "Exit status: 0 on success, 1 when the database is missing, unreadable or could not be changed,\n"
        "64 on a usage error.\n",
};

constexpr int kFailure = 1;

int failure(const QString& message)
{
    std::fprintf(stderr, "trevasel-cli history: %s\n", qPrintable(message));
    return kFailure;
}

QByteArray jsonString(const std::optional<QString>& text)
{
    return text ? JsonText::quoted(*text) : QByteArrayLiteral("null");
}

QByteArray jsonLine(const ImportedFileEntity& row)
{
    QByteArray line;
    line += "{\"id\":" + QByteArray::number(row.recordId);
    line += ",\"file_name\":" + jsonString(row.fileName);
    line += ",\"camera_id\":" + jsonString(row.cameraId);
    line += ",\"datetime\":" + QByteArray::number(row.datetime);
    line += ",\"original_file_name\":" + jsonString(row.originalFileName);
    line += ",\"transferred_folder\":" + jsonString(row.transferredFolder);
    line += "}\n";
    return line;
}

// Why the file cannot serve as the history, or nothing when its table can be read. The store's
// operations only say "empty" or "false"; the IT person needs the reason.
std::optional<QString> databaseProblem(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("no import history database at %1 (the file does not exist)").arg(path);
    FMDatabase database(path);
    if (!database.open(FMDatabase::OpenMode::ReadOnly))
        return QStringLiteral("cannot open %1: %2").arg(path, database.lastErrorMessage());
    const auto rows = database.executeQuery(QStringLiteral("select count(*) from imported_file;"));
    if (rows && rows->next())
        return std::nullopt;
    return QStringLiteral("cannot read the import history in %1: %2").arg(path, database.lastErrorMessage());
}

int list(const ImportedFileDao& history)
{
    if (const auto problem = databaseProblem(history.databaseFilePath()))
        return failure(*problem);
    const auto rows = history.findAll();
    if (rows.empty()) {
        // The store gives an empty list for a failed read too; a count of zero tells them apart.
        const auto count =
            history.executeFindSingleColumn({QStringLiteral("select count(*) from imported_file;")});
        if (!count || count->toLongLong() != 0)
            return failure(databaseProblem(history.databaseFilePath())
                               .value_or(QStringLiteral("the import history could not be read")));
    }
    for (const auto& row : rows) {
        if (const auto* file = dynamic_cast<const ImportedFileEntity*>(row.get())) {
            const QByteArray line = jsonLine(*file);
            std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        }
    }
    return std::fflush(stdout) == 0 ? 0 : kFailure;
}

// Exactly 14 digits that name a calendar date and a time of day.
std::optional<qint64> parseDatetime(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("\\A[0-9]{14}\\z"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    if (!QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd")).isValid() ||
        !QTime::fromString(text.mid(8), QStringLiteral("HHmmss")).isValid())
        return std::nullopt;
    return text.toLongLong();
}

int purgeBefore(const ImportedFileDao& history, qint64 datetime)
{
    if (const auto problem = databaseProblem(history.databaseFilePath()))
        return failure(*problem);
    const auto count = history.executeFindSingleColumn(
        {QStringLiteral("select count(*) from imported_file where datetime <= ?;"), {datetime}});
    if (!count || !history.deleteBeforeDatetime(datetime))
        return failure(QStringLiteral("could not purge %1 (the database may be busy, read-only or damaged)")
                           .arg(history.databaseFilePath()));
    std::printf("purged %lld rows imported at or before %lld from %s\n", count->toLongLong(),
                static_cast<long long>(datetime), qPrintable(history.databaseFilePath()));
    return std::fflush(stdout) == 0 ? 0 : kFailure;
}

} // namespace

int runHistoryCommand(const QStringList& arguments)
{
    const QCommandLineOption databaseOption(
        QStringLiteral("database"),
        QStringLiteral("the database to use. Default: \"Trevasel.db\" in the full edition's data folder "
                       "($XDG_DATA_HOME/TrevaselForPravena, usually ~/.local/share/TrevaselForPravena)."),
        QStringLiteral("FILE"));
    CommandLine commandLine(texts, {databaseOption});
    if (const auto status = commandLine.read(arguments))
        return *status;
    QStringList values = commandLine.parser().positionalArguments();
    const QString action = values.isEmpty() ? QString() : values.takeFirst();
    std::optional<QString> databasePath;
    if (commandLine.parser().isSet(databaseOption))
        databasePath = commandLine.parser().value(databaseOption);
    if (databasePath && databasePath->isEmpty())
        return commandLine.usageError(QStringLiteral("--database needs a FILE"));

    TrevaselCommon::setEdition(Edition::Full); // the history belongs to the full edition
    const ImportedFileDao history(databasePath ? *databasePath : TrevaselCommon::getDBFilePath());

    if (action == QLatin1String("list")) {
        if (!values.isEmpty())
            return commandLine.usageError(QStringLiteral("list takes no arguments"));
        return list(history);
    }
    if (action == QLatin1String("purge-before")) {
        if (values.size() != 1)
            return commandLine.usageError(QStringLiteral("purge-before needs one time YYYYMMDDHHMMSS"));
        const auto datetime = parseDatetime(values.front());
        if (!datetime)
            return commandLine.usageError(
                QStringLiteral("'%1' is not a time YYYYMMDDHHMMSS (14 digits, local time)")
                    .arg(values.front()));
        return purgeBefore(history, *datetime);
    }
    if (action.isEmpty())
        return commandLine.usageError(QStringLiteral("say list or purge-before"));
    return commandLine.usageError(QStringLiteral("unknown action '%1'").arg(action));
}
