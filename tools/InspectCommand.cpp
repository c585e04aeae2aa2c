#include "tools/InspectCommand.h"

#include "metadata/BasicExifOperator.h"
#include "metadata/ExifOperator.h"
#include "tools/CommandLine.h"
#include "tools/JsonText.h"

#include <algorithm>
#include <cstdio>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli inspect",
    .usage = "usage: trevasel-cli inspect [--basic] [--summary] FILE...\n",
    .description =
        "Reads each FILE as the import does: the EXIF texts, the camera's maker note (decrypted with the\n"
        "image's own key) and, from maker-note version 2.1 on, the extended maker note. Prints one JSON\n"
        "object per file and line:\n"
        "  {\"file\": PATH, \"record\": {...}}   or   {\"file\": PATH, \"record\": null}\n"
        "A record holds only the fields the file set; \"record\" is null when the file is unreadable,\n"
        "damaged, not the camera's, or of a generation the import refuses (such a file is skipped).\n"
        "\n"
        "With --summary, one line per file for a person instead:\n"
        "  PATH: MODEL, maker note X.Y, serial S, patient ID \"NAME\" (or none), shooting mode M, shot DATE\n"
        "  PATH: no record: REASON\n",
    .epilogue = "Exit status: 0 when every file gave a record, 1 otherwise, 64 on a usage error.\n",
};

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
            [&extended](const QString& name, const std::optional<QString>& value) {
                extended.put(name, value);
            });
        extended.close();
        object.putRaw("extendedMakerNoteEntity", extendedJson);
    }
    object.close();
    return json;
}

QString reasonText(NoRecordReason reason)
{
    switch (reason) {
    case NoRecordReason::None:
        break;
    case NoRecordReason::Missing:
        return QStringLiteral("no such file");
    case NoRecordReason::NotRegularFile:
        return QStringLiteral("not a regular file");
    case NoRecordReason::Unreadable:
        return QStringLiteral("the file cannot be opened for reading");
    case NoRecordReason::NotCameraPicture:
        return QStringLiteral("not a camera picture (no TIFF header at byte 12)");
    case NoRecordReason::NoMakerNote:
        return QStringLiteral("no camera maker note in the first MiB");
    case NoRecordReason::EncryptionRefused:
        return QStringLiteral("a maker-note encryption type the import refuses for this version");
    case NoRecordReason::NotStillOrMovieIndex:
        return QStringLiteral(
            "from maker-note version 4 on only .JPG stills and .MIF movie indexes are read");
    case NoRecordReason::MovieMissing:
        return QStringLiteral("a movie index without its movie beside it");
    case NoRecordReason::Damaged:
        return QStringLiteral(
            "damaged: a tag is missing or runs past the end, or the maker note does not decrypt");
    case NoRecordReason::NotBasicLayout:
        return QStringLiteral("not a big-endian camera still below maker-note version 2.1, or damaged");
    }
    return QStringLiteral("unknown");
}

QString orNone(const std::optional<QString>& text)
{
    return text && !text->isEmpty() ? *text : QStringLiteral("none");
}

// The maker-note version from the block's first two bytes, e.g. "4.0".
QString makerNoteVersion(const ExifEntity& record)
{
    bool majorOk = false;
    bool minorOk = false;
    const QString hex = record.makerNote.value_or(QString());
    const int major = hex.mid(0, 2).toInt(&majorOk, 16);
    const int minor = hex.mid(2, 2).toInt(&minorOk, 16);
    return majorOk && minorOk ? QStringLiteral("%1.%2").arg(major).arg(minor) : QStringLiteral("unknown");
}

// The camera serial: the reader's text, or for the basic reader (which keeps only the hexadecimal
// product number) the same eight bytes read as characters where they are printable.
QString serialOf(const ExifEntity& record)
{
    if (record.productNumberString)
        return record.productNumberString->trimmed();
    const QByteArray bytes = QByteArray::fromHex(record.productNumber.value_or(QString()).toLatin1());
    const bool printable = !bytes.isEmpty() && std::all_of(bytes.begin(), bytes.end(),
                                                           [](char c) { return c >= 0x20 && c < 0x7f; });
    return printable ? QString::fromLatin1(bytes).trimmed() : record.productNumber.value_or(QString());
}

// The patient the import names the folder after, and the mode that decides what is sent.
QString summaryLine(const QString& file, const ExifEntity& record)
{
    const QString serial = serialOf(record);
    const QString id = record.patientID.value_or(QString());
    const QString name = record.patientName.value_or(QString());
    const QString patient = id.isEmpty() && name.isEmpty()
                                ? QStringLiteral("none")
                                : QStringLiteral("%1 \"%2\"").arg(orNone(record.patientID), name);
    QString mode = orNone(record.shootingMode);
    if (mode.compare(QLatin1String("fe"), Qt::CaseInsensitive) == 0)
        mode += QStringLiteral(" (patient information)");
    return QStringLiteral("%1: %2, maker note %3, serial %4, patient %5, shooting mode %6, shot %7")
        .arg(file, orNone(record.model ? std::optional(record.model->trimmed()) : std::nullopt),
             makerNoteVersion(record), serial.isEmpty() ? QStringLiteral("none") : serial, patient, mode,
             orNone(record.dateTimeOriginal));
}

} // namespace

int runInspectCommand(const QStringList& arguments)
{
    const QCommandLineOption basicOption(
        QStringLiteral("basic"),
        QStringLiteral("read as the basic edition does (big-endian stills below version 2.1 only)"));
    const QCommandLineOption summaryOption(QStringLiteral("summary"),
                                           QStringLiteral("print the summary lines instead of JSON"));
    CommandLine commandLine(texts, {basicOption, summaryOption},
                            {{QStringLiteral("FILE"), QStringLiteral("a file to read, as many as wanted")}});
    if (const auto status = commandLine.read(arguments))
        return *status;
    const bool basic = commandLine.parser().isSet(basicOption);
    const bool summary = commandLine.parser().isSet(summaryOption);
    const QStringList files = commandLine.parser().positionalArguments();
    if (files.isEmpty())
        return commandLine.usageError(QString());

    const ExifOperator reader;
    const BasicExifOperator basicReader;
    bool everyFileRead = true;
    for (const QString& file : files) {
        NoRecordReason why = NoRecordReason::None;
        const auto record = basic ? basicReader.getExifData(file, &why) : reader.getExifData(file, &why);
        everyFileRead = everyFileRead && record.has_value();
        if (summary) {
            const QString line = record ? summaryLine(file, *record)
                                        : QStringLiteral("%1: no record: %2").arg(file, reasonText(why));
            const QByteArray text = line.toUtf8() + '\n';
            std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
            continue;
        }
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
