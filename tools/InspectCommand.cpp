#include "tools/InspectCommand.h"

#include "metadata/BasicExifOperator.h"
#include "metadata/ExifOperator.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

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

void put(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

QJsonObject recordObject(const ExifEntity& record)
{
    QJsonObject object;
    put(object, QStringLiteral("software"), record.software);
    put(object, QStringLiteral("fileDateTime"), record.fileDateTime);
    put(object, QStringLiteral("imageDescription"), record.imageDescription);
    put(object, QStringLiteral("maker"), record.maker);
    put(object, QStringLiteral("model"), record.model);
    put(object, QStringLiteral("makerNote"), record.makerNote);
    put(object, QStringLiteral("extendedMakerNote"), record.extendedMakerNote);
    put(object, QStringLiteral("productNumber"), record.productNumber);
    put(object, QStringLiteral("productNumberString"), record.productNumberString);
    put(object, QStringLiteral("dateTimeOriginal"), record.dateTimeOriginal);
    put(object, QStringLiteral("shootingMode"), record.shootingMode);
    put(object, QStringLiteral("additionalInformation"), record.additionalInformation);
    put(object, QStringLiteral("drawFlag"), record.drawFlag);
    put(object, QStringLiteral("patientID"), record.patientID);
    put(object, QStringLiteral("patientName"), record.patientName);
    put(object, QStringLiteral("owner"), record.owner);
    put(object, QStringLiteral("identifier"), record.identifier);
    put(object, QStringLiteral("timeZone"), record.timeZone);
    put(object, QStringLiteral("summerTime"), record.summerTime);
    if (record.extendedMakerNoteEntity) {
        QJsonObject extended;
        record.extendedMakerNoteEntity->forEachField(
            [&extended](const QString& name, const std::optional<QString>& value) { put(extended, name, value); });
        object.insert(QStringLiteral("extendedMakerNoteEntity"), extended);
    }
    return object;
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
        QJsonObject line;
        line.insert(QStringLiteral("file"), file);
        line.insert(QStringLiteral("record"), record ? QJsonValue(recordObject(*record)) : QJsonValue());
        const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    }
    return std::fflush(stdout) == 0 && everyFileRead ? 0 : 1;
}
