#include "tools/InspectCommand.h"

#include "metadata/BasicExifOperator.h"
#include "metadata/ExifOperator.h"
#include "tools/JsonText.h"


#include <cstdio>

namespace {

const char* const help =
    "usage: trevasel-cli inspect [--basic] FILE...\n"
    "\n"
    "Reads each FILE as the import does: the EXIF texts, the camera's maker note (decrypted with the\n"
    "image's own key) and, from maker-note version 2.1 on, the extended maker note. Prints one JSON\n"
    "object per file and line:\n"
    "  {\"file\": PATH, \"record\": {...}}   or   {\"file\": PATH, \"record\": null}\n"
    "A record holds only the fields the file set; \"record\" is null when the file is unreadable,\n"
    "damaged, not the camera's, or of a generation the import refuses (such a file is skipped).\n"
    "\n"
    "  --basic   read as the basic edition does (big-endian stills below version 2.1 only)\n"
    "\n"
    "Exit status: 0 when every file gave a record, 1 otherwise, 64 on a usage error.\n";

// Builds one JSON line by hand: QJsonObject spends more time sorting and copying than the reader
// spends reading, and the fields keep the order in which the record declares them.
class JsonObjectWriter
{
public:
    explicit JsonObjectWriter(QByteArray& out) : m_out(out) { m_out += '{'; }

    void put(const char* key, const std::optional<QString>& value)
    {
        if (value)
            putRaw(key, quoted(*value));
    }
    void put(const QString& key, const std::optional<QString>& value)
    {
        if (value)
            putRaw(key.toLatin1(), quoted(*value));
    }
    // Keys are plain ASCII names and need no escaping.
    void putRaw(QByteArrayView key, const QByteArray& json)
    {
        if (!m_empty)
            m_out += ',';
        m_empty = false;
        m_out += '"';
        m_out += key;
        m_out += '"';
        m_out += ':';
        m_out += json;
    }
    void close() { m_out += '}'; }

    static QByteArray quoted(const QString& text) { return JsonText::quoted(text); }

private:
    QByteArray& m_out;
    bool m_empty = true;
};

QByteArray recordJson(const ExifEntity& record)
{
    QByteArray json;
    JsonObjectWriter object(json);
    object.put("software", record.software);
    object.put("fileDateTime", record.fileDateTime);
    object.put("imageDescription", record.imageDescription);
    object.put("maker", record.maker);
    object.put("model", record.model);
    object.put("makerNote", record.makerNote);
    object.put("extendedMakerNote", record.extendedMakerNote);
    object.put("productNumber", record.productNumber);
    object.put("productNumberString", record.productNumberString);
    object.put("dateTimeOriginal", record.dateTimeOriginal);
    object.put("shootingMode", record.shootingMode);
    object.put("additionalInformation", record.additionalInformation);
    object.put("drawFlag", record.drawFlag);
    object.put("patientID", record.patientID);
    object.put("patientName", record.patientName);
    object.put("owner", record.owner);
    object.put("identifier", record.identifier);
    object.put("timeZone", record.timeZone);
    object.put("summerTime", record.summerTime);
    if (record.extendedMakerNoteEntity) {
        QByteArray extendedJson;
        JsonObjectWriter extended(extendedJson);
        record.extendedMakerNoteEntity->forEachField(
            [&extended](const QString& name, const std::optional<QString>& value) { extended.put(name, value); });
        extended.close();
        object.putRaw("extendedMakerNoteEntity", extendedJson);
    }
    object.close();
    return json;
}

} // namespace

int runInspectCommand(const QStringList& arguments)
{
    bool basic = false;
    QStringList files;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            std::fputs(help, stdout);
            return 0;
        } else if (!optionsEnded && argument == QLatin1String("--basic")) {
            basic = true;
        } else if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            std::fprintf(stderr, "trevasel-cli inspect: unknown option '%s'\n\n%s", qPrintable(argument), help);
            return 64;
        } else {
            files << argument;
        }
    }
    if (files.isEmpty()) {
        std::fputs(help, stderr);
        return 64;
    }

    const ExifOperator reader;
    const BasicExifOperator basicReader;
    bool everyFileRead = true;
    for (const QString& file : files) {
        const auto record = basic ? basicReader.getExifData(file) : reader.getExifData(file);
        everyFileRead = everyFileRead && record.has_value();
        QByteArray text;
        JsonObjectWriter line(text);
        line.putRaw("file", JsonObjectWriter::quoted(file));
        line.putRaw("record", record ? recordJson(*record) : QByteArrayLiteral("null"));
        line.close();
        text += '\n';
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    }
    return std::fflush(stdout) == 0 && everyFileRead ? 0 : 1;
}
