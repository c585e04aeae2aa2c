#pragma once

#include "metadata/ExtendedMakerNoteEntity.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <span>

// One argument of a writer's template: the field it takes and whether it is written as "0x" + text.
struct ExportXmlArgument
{
    std::optional<QString> ExtendedMakerNoteEntity::*field;
    bool isHex;
};

// What the two XML writers share: formatting the values, filling a template with them and reading a
// template. A writer is its template text and its argument list; ExportXmlOperator and
// ExportXmlOperator2 only choose those two. A writer holds no other state, so one instance may serve
// every transfer job of the process.
//
// Templates are printf-like texts that know two directives only: "%@" takes the next argument and
// "%%" is a percent sign. Values are XML-escaped before they are inserted (see escapeXmlText).
class BaseExportXmlOperator
{
public:
    BaseExportXmlOperator(const BaseExportXmlOperator&) = default;
    BaseExportXmlOperator& operator=(const BaseExportXmlOperator&) = default;

    // The filled template; nothing when the template could not be read or cannot be filled (more
    // "%@" than arguments, or a "%" directive other than "%@" and "%%"). An absent record is written
    // as a record without any field set.
    std::optional<QString> getXmlData(const std::optional<ExtendedMakerNoteEntity>& record) const;
    std::optional<QString> getXmlData(const ExtendedMakerNoteEntity& record) const;
    // The same for a present record.
    std::optional<QString> createXmlData(const ExtendedMakerNoteEntity& record) const;

    // Value formatting. Absent or empty text gives "" whatever the flags, so an empty hex field never
    // becomes a lone "0x". The decimal flag reads the text as TextNumber::intFromText does and
    // writes the number back in decimal; the hex flag puts "0x" in front of the result.
    static QString formattingOutputString(const std::optional<QString>& text);
    static QString formattingOutputStringHex(const std::optional<QString>& text, bool isHex);
    static QString formattingOutputStringDecimal(const std::optional<QString>& text, bool isDecimal);
    static QString formattingOutputString(const std::optional<QString>& text, bool isHex, bool isDecimal);

    // The template this writer fills; nothing when it could not be read.
    const std::optional<QString>& templateText() const { return m_templateText; }
    std::span<const ExportXmlArgument> arguments() const { return m_arguments; }

    // The text of a template file or resource, decoded as UTF-8; nothing when it cannot be opened or
    // is not valid UTF-8.
    static std::optional<QString> loadTemplate(const QString& path);
    // The template with each "%@" replaced by the next argument as it stands and "%%" by "%".
    // Nothing when the arguments run out or another directive (or a lone "%" at the end) appears.
    // Surplus arguments are not written.
    static std::optional<QString> fillTemplate(QStringView format, const QStringList& arguments);
    // Text safe as XML 1.0 element content or attribute value: & < > " ' become entity references,
    // a carriage return becomes "&#13;" (a parser would otherwise read it as a line feed), and the
    // characters XML 1.0 does not allow at all are dropped: U+0000 to U+001F other than tab, line
    // feed and carriage return, unpaired surrogates, U+FFFE and U+FFFF.
    static QString escapeXmlText(QStringView text);

protected:
    BaseExportXmlOperator(std::optional<QString> templateText, std::span<const ExportXmlArgument> arguments);
    // Writers are used by value or through a reference, never deleted through this base.
    ~BaseExportXmlOperator() = default;

private:
    std::optional<QString> m_templateText;
    std::span<const ExportXmlArgument> m_arguments; // a static list of the derived class
};
