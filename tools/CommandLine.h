#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// How every command of trevasel-cli reads its arguments: a QCommandLineParser that knows the
// command's options (and -h, --help), and the command's help built around the parser's option and
// argument tables. A usage error goes to standard error as "NAME: MESSAGE", a blank line and the
// help, with exit status 64.
class CommandLine
{
public:
    static constexpr int kUsageError = 64;

    // The command's texts. Each text ends with a newline; the help is usage, description, the
    // parser's tables and the epilogue, with a blank line between them.
    struct Texts
    {
        const char* name;        // "trevasel-cli import"
        const char* usage;       // "usage: trevasel-cli import ..." lines
        const char* description; // what the command does
        const char* epilogue;    // what follows the tables: exit status and the like
        // The usage error for a value option given last, without its value; %1 is the option.
        const char* missingValue = "%1 needs a FILE";
    };

    struct Positional
    {
        QString name;
        QString description;
    };

    CommandLine(const Texts& texts, const QList<QCommandLineOption>& options,
                const QList<Positional>& positionals = {});

    QCommandLineParser& parser() { return m_parser; }
    const QCommandLineParser& parser() const { return m_parser; }

    // Parses the arguments after the command's name. False on a usage error; errorMessage() says
    // which.
    bool parse(const QStringList& arguments);
    QString errorMessage() const;
    bool helpAsked() const { return m_parser.isSet(m_help); }

    // Parses and answers what needs no command: the exit status after printing the help that --help
    // asked for (0, whatever else the arguments hold) or after a usage error (64); nothing when the
    // command goes on.
    std::optional<int> read(const QStringList& arguments);

    QString helpText() const;
    // The help on standard output; 0.
    int showHelp() const;
    // "NAME: MESSAGE", a blank line and the help on standard error (the help alone for an empty
    // message); 64.
    int usageError(const QString& message) const;

private:
    Texts m_texts;
    QList<QCommandLineOption> m_options;
    QCommandLineOption m_help;
    QCommandLineParser m_parser;
    QStringList m_arguments;
};
