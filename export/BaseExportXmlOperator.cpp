#include "export/BaseExportXmlOperator.h"

#include "platform/TextNumber.h"

#include <QFile>
#include <QStringDecoder>

#include <utility>

BaseExportXmlOperator::BaseExportXmlOperator(std::optional<QString> templateText,
                                             std::span<const ExportXmlArgument> arguments)
    : m_templateText(std::move(templateText)), m_arguments(arguments)
{
}

std::optional<QString>
BaseExportXmlOperator::getXmlData(const std::optional<ExtendedMakerNoteEntity>& record) const
{
    return record ? createXmlData(*record) : createXmlData(ExtendedMakerNoteEntity{});
}

std::optional<QString> BaseExportXmlOperator::getXmlData(const ExtendedMakerNoteEntity& record) const
{
    return createXmlData(record);
}

std::optional<QString> BaseExportXmlOperator::createXmlData(const ExtendedMakerNoteEntity& record) const
{
    if (!m_templateText)
        return std::nullopt;
    QStringList values;
    values.reserve(static_cast<qsizetype>(m_arguments.size()));
    for (const ExportXmlArgument& argument : m_arguments)
        values.append(escapeXmlText(formattingOutputStringHex(record.*argument.field, argument.isHex)));
    return fillTemplate(*m_templateText, values);
}

QString BaseExportXmlOperator::formattingOutputString(const std::optional<QString>& text)
{
    return formattingOutputString(text, false, false);
}

QString BaseExportXmlOperator::formattingOutputStringHex(const std::optional<QString>& text, bool isHex)
{
    return formattingOutputString(text, isHex, false);
}

QString BaseExportXmlOperator::formattingOutputStringDecimal(const std::optional<QString>& text,
                                                             bool isDecimal)
{
    return formattingOutputString(text, false, isDecimal);
}

QString BaseExportXmlOperator::formattingOutputString(const std::optional<QString>& text, bool isHex,
                                                      bool isDecimal)
{
    if (!text || text->isEmpty())
        return QString();
    const QString value = isDecimal ? QString::number(TextNumber::intFromText(*text)) : *text;
    return isHex ? QStringLiteral("0x") + value : value;
}

std::optional<QString> BaseExportXmlOperator::loadTemplate(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> BaseExportXmlOperator::fillTemplate(QStringView format, const QStringList& arguments)
{
    QString out;
    out.reserve(format.size() + 16 * arguments.size());
    qsizetype next = 0;
    qsizetype literalStart = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%')
            continue;
        out.append(format.sliced(literalStart, i - literalStart));
        if (i + 1 >= format.size())
            return std::nullopt;
        const QChar directive = format[i + 1];
        if (directive == u'%') {
            out.append(u'%');
        } else if (directive == u'@') {
            if (next >= arguments.size())
                return std::nullopt;
            out.append(arguments[next++]);
        } else {
            // A printf conversion such as "%d" would read an argument as a number; the templates never
            // need one, so a template holding it is broken rather than guessed at.
            return std::nullopt;
        }
        ++i;
        literalStart = i + 1;
    }
    out.append(format.sliced(literalStart));
    return out;
}

namespace {

bool isAllowedXmlCharacter(char32_t c)
{
    if (c < 0x20)
        return c == 0x09 || c == 0x0A || c == 0x0D;
    return c != 0xFFFE && c != 0xFFFF;
}

} // namespace

QString BaseExportXmlOperator::escapeXmlText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append(c);
            out.append(text[++i]);
            continue;
        }
        if (c.isSurrogate() || !isAllowedXmlCharacter(c.unicode()))
            continue;
        switch (c.unicode()) {
        case u'&':
            out.append(u"&amp;");
            break;
        case u'<':
            out.append(u"&lt;");
            break;
        case u'>':
            out.append(u"&gt;");
            break;
        case u'"':
            out.append(u"&quot;");
            break;
        case u'\'':
            out.append(u"&apos;");
            break;
        case u'\r':
            out.append(u"&#13;");
            break;
        default:
            out.append(c);
        }
    }
    return out;
}
