#include "tools/VerifyCommand.h"

#include "tools/CommandLine.h"

#include "app/TrevaselCommon.h"
#include "history/FMDatabase.h"
#include "history/ImportedFileDao.h"
#include "platform/ContentHash.h"

#include <QDate>
#include <QFileInfo>

#include <cstdio>
#include <map>
#include <optional>
#include <unistd.h>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli verify",
    .usage = "usage: trevasel-cli verify [--database FILE] [--since yyyy-MM-dd]\n",
    .description =
        "Checks the practice's picture store against the import history of the full edition\n"
        "(TrevaselForPravena), which keeps the size and the XXH3-128 hash of the pictures it imports.\n"
        "Every recorded picture is read back from the store, and each one that is missing or changed\n"
        "(another size or other bytes) is listed, one line each:\n"
        "\n"
        "  missing: PATH\n"
        "  changed: PATH: size N bytes, recorded M\n"
        "  changed: PATH: the bytes differ from the recorded hash\n"
        "  unreadable: PATH: REASON\n"
        "\n"
        "then a summary line: \"checked N pictures: F fine, C changed, M missing, U unreadable\".\n"
        "A picture recorded more than once (imported again under the same name) is checked against\n"
        "its latest record.\n",
    .epilogue = "On a terminal a progress line on standard error shows the pictures checked so far.\n"
                "The database is only read; a missing one is not created.\n"
                "\n"
                "Exit status: 0 when every picture is as recorded, 1 when any is missing, changed or\n"
                "unreadable, 2 on a usage error or when the database cannot be read.\n",
};

constexpr int kProblems = 1;
constexpr int kCannotCheck = 2;

int cannotCheck(const QString& message)
{
    std::fprintf(stderr, "trevasel-cli verify: %s\n", qPrintable(message));
    return kCannotCheck;
}

// What is wrong with one recorded picture, or nothing when it is as recorded.
struct Finding
{
    enum Kind { Fine, Changed, Missing, Unreadable } kind = Fine;
    QString detail;
};

Finding check(const PictureHashEntity& record)
{
    const QFileInfo picture(record.path);
    if (!picture.exists() && !picture.isSymLink())
        return {Finding::Missing, {}};
    const auto recorded = ContentHash::fromHex(record.hash);
    if (!recorded)
        return {Finding::Unreadable,
                QStringLiteral("the recorded hash \"%1\" is not 32 hexadecimal digits").arg(record.hash)};
    if (!picture.isFile() || picture.isSymLink())
        return {Finding::Unreadable, QStringLiteral("not a plain file")};
    if (picture.size() != record.size)
        return {Finding::Changed,
                QStringLiteral("size %1 bytes, recorded %2").arg(picture.size()).arg(record.size)};
    qint64 read = 0;
    const auto hash = ContentHasher::ofFile(record.path, &read);
    if (!hash)
        return {Finding::Unreadable, QStringLiteral("cannot be read")};
    // The file may have changed between the size and the read.
    if (read != record.size)
        return {Finding::Changed, QStringLiteral("size %1 bytes, recorded %2").arg(read).arg(record.size)};
    if (*hash != *recorded)
        return {Finding::Changed, QStringLiteral("the bytes differ from the recorded hash")};
    return {};
}

// "checked N of M" redrawn on a terminal; nothing elsewhere.
class ProgressLine
{
public:
    ProgressLine(qsizetype total, bool draw) : m_total(total), m_draw(draw) {}
    void checked(qsizetype done)
    {
        if (!m_draw)
            return;
        const QByteArray text =
            QByteArrayLiteral("checked ") + QByteArray::number(done) + " of " + QByteArray::number(m_total);
        std::fprintf(stderr, "\r%s", text.constData());
        std::fflush(stderr);
        m_width = text.size();
    }
    // Blanks the line, so that what comes next starts on a clean one.
    void clear()
    {
        if (m_width == 0)
            return;
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_width), "");
        std::fflush(stderr);
        m_width = 0;
    }

private:
    qsizetype m_total;
    bool m_draw;
    qsizetype m_width = 0;
};

int verify(const QString& databasePath, qint64 since)
{
    if (!QFileInfo(databasePath).isFile())
        return cannotCheck(
            QStringLiteral("no import history database at %1 (the file does not exist)").arg(databasePath));
    {
        FMDatabase database(databasePath);
        if (!database.open(FMDatabase::OpenMode::ReadOnly))
            return cannotCheck(
                QStringLiteral("cannot open %1: %2").arg(databasePath, database.lastErrorMessage()));
    }
    const ImportedFileDao history(databasePath);
    const std::vector<PictureHashEntity> rows = history.findPictureHashesSince(since);
    if (const auto& failure = history.lastFailure())
        return cannotCheck(
            QStringLiteral("cannot read the picture hashes in %1: %2").arg(databasePath, *failure));

    // The latest record of each path, in the order the pictures were recorded.
    std::map<QString, size_t> latest;
    for (size_t index = 0; index < rows.size(); ++index)
        latest[rows[index].path] = index;
    std::vector<const PictureHashEntity*> records;
    for (size_t index = 0; index < rows.size(); ++index) {
        if (latest.at(rows[index].path) == index)
            records.push_back(&rows[index]);
    }

    ProgressLine progress(static_cast<qsizetype>(records.size()), ::isatty(STDERR_FILENO) != 0);
    std::map<Finding::Kind, qint64> counts;
    for (size_t index = 0; index < records.size(); ++index) {
        const PictureHashEntity& record = *records[index];
        const Finding finding = check(record);
        ++counts[finding.kind];
        if (finding.kind != Finding::Fine) {
            static const std::map<Finding::Kind, const char*> words = {{Finding::Changed, "changed"},
                                                                       {Finding::Missing, "missing"},
                                                                       {Finding::Unreadable, "unreadable"}};
            const QString line =
                QStringLiteral("%1: %2").arg(QLatin1String(words.at(finding.kind)), record.path) +
                (finding.detail.isEmpty() ? QString() : QStringLiteral(": ") + finding.detail);
            progress.clear(); // the next picture draws it again below the line
            std::printf("%s\n", line.toUtf8().constData());
            std::fflush(stdout);
        }
        progress.checked(static_cast<qsizetype>(index + 1));
    }
    progress.clear();
    std::printf("checked %lld pictures: %lld fine, %lld changed, %lld missing, %lld unreadable\n",
                static_cast<long long>(records.size()), static_cast<long long>(counts[Finding::Fine]),
                static_cast<long long>(counts[Finding::Changed]),
                static_cast<long long>(counts[Finding::Missing]),
                static_cast<long long>(counts[Finding::Unreadable]));
    if (std::fflush(stdout) != 0)
        return kCannotCheck;
    return counts[Finding::Fine] == static_cast<qint64>(records.size()) ? 0 : kProblems;
}

} // namespace

int runVerifyCommand(const QStringList& arguments)
{
    const QCommandLineOption databaseOption(
        QStringLiteral("database"),
        QStringLiteral("the import history to check against. Default: \"Trevasel.db\" in the full edition's "
                       "data folder ($XDG_DATA_HOME/TrevaselForPravena, usually "
                       "~/.local/share/TrevaselForPravena)."),
        QStringLiteral("FILE"));
    const QCommandLineOption sinceOption(
        QStringLiteral("since"),
        QStringLiteral("check only the pictures imported on that day or later (local time)"),
        QStringLiteral("yyyy-MM-dd"));
    CommandLine commandLine(texts, {databaseOption, sinceOption});
    // Usage errors end with 2 here, not with the other commands' 64: "verify" is run from scripts
    // that read 1 as "the store changed".
    const auto usageError = [&commandLine](const QString& message) {
        commandLine.usageError(message);
        return kCannotCheck;
    };
    const bool parsed = commandLine.parse(arguments);
    if (commandLine.helpAsked())
        return commandLine.showHelp();
    if (!parsed)
        return usageError(commandLine.errorMessage());
    if (!commandLine.parser().positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'")
                              .arg(commandLine.parser().positionalArguments().first()));
    const QString databasePath = commandLine.parser().value(databaseOption);
    if (commandLine.parser().isSet(databaseOption) && databasePath.isEmpty())
        return usageError(QStringLiteral("--database needs a FILE"));
    qint64 since = 0;
    if (commandLine.parser().isSet(sinceOption)) {
        const QString day = commandLine.parser().value(sinceOption);
        const QDate date = QDate::fromString(day, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid() || day.size() != 10)
            return usageError(QStringLiteral("'%1' is not a day yyyy-MM-dd").arg(day));
        since = date.toString(QStringLiteral("yyyyMMdd")).toLongLong() * 1000000;
    }

    TrevaselCommon::setEdition(Edition::Full); // the history belongs to the full edition
    return verify(databasePath.isEmpty() ? TrevaselCommon::getDBFilePath() : databasePath, since);
}
