#include "tools/CommandLine.h"

#include <cstdio>

namespace {

void print(const QString& text, FILE* stream)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

CommandLine::CommandLine(const Texts& texts, const QList<QCommandLineOption>& options,
                         const QList<Positional>& positionals)
    : m_texts(texts), m_options(options),
      m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show this help"))
{
    m_parser.addOptions(m_options);
    m_parser.addOption(m_help);
    for (const Positional& positional : positionals)
        m_parser.addPositionalArgument(positional.name, positional.description);
}

bool CommandLine::parse(const QStringList& arguments)
{
    m_arguments = arguments;
    // The parser skips the first entry as the program's name.
    return m_parser.parse(QStringList{QString::fromUtf8(m_texts.name)} + arguments);
}

QString CommandLine::errorMessage() const
{
    const QStringList unknown = m_parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("unknown option '%1'").arg(dashed(unknown.first()));
    // The parser names this case in its own words; the commands have always said it in theirs.
    if (!m_arguments.isEmpty()) {
        for (const QCommandLineOption& option : m_options) {
            if (option.valueName().isEmpty())
                continue;
            for (const QString& name : option.names()) {
                if (m_arguments.last() == dashed(name))
                    return QString::fromUtf8(m_texts.missingValue).arg(m_arguments.last());
            }
        }
    }
    return m_parser.errorText();
}

std::optional<int> CommandLine::read(const QStringList& arguments)
{
    const bool parsed = parse(arguments);
    if (helpAsked())
        return showHelp();
    if (!parsed)
        return usageError(errorMessage());
    return std::nullopt;
}

QString CommandLine::helpText() const
{
    // The parser's help opens with its own usage line, naming the program file and not the
    // command; the command's usage lines stand in its place.
    const QString parserHelp = m_parser.helpText();
    const qsizetype tables = parserHelp.indexOf(QLatin1String("\n\n"));
    return QString::fromUtf8(m_texts.usage) + QLatin1Char('\n') + QString::fromUtf8(m_texts.description) +
           QLatin1Char('\n') + (tables < 0 ? QString() : parserHelp.mid(tables + 2)) + QLatin1Char('\n') +
           QString::fromUtf8(m_texts.epilogue);
}

int CommandLine::showHelp() const
{
    print(helpText(), stdout);
    return 0;
}

int CommandLine::usageError(const QString& message) const
{
    print(message.isEmpty()
              ? helpText()
              : QStringLiteral("%1: %2\n\n%3").arg(QString::fromUtf8(m_texts.name), message, helpText()),
          stderr);
    return kUsageError;
}
