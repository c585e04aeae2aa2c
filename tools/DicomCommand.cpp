#include "tools/DicomCommand.h"

#include "tools/CommandLine.h"

#include "dicom/DicomExport.h"
#include "metadata/ExifOperator.h"

#include <QDir>

#include <cstdio>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli dicom",
    .usage = "usage: trevasel-cli dicom [--out DIR] FILE...\n",
    .description =
        "Writes each camera still as a DICOM VL Photographic Image, its JPEG picture as the camera\n"
        "made it, into DIR/PATIENT ID/yyyy-MM-dd/SOP INSTANCE UID.dcm. The still is read as the full\n"
        "edition (TrevaselForPravena) reads it. One line per file:\n"
        "\n"
        "  FILE -> DICOM FILE\n"
        "  FILE: REASON\n"
        "\n"
        "The same still always gives the same file: writing it again replaces it with equal bytes.\n",
    .epilogue = "Exit status: 0 when every file was written, 1 when any was not, 64 on a usage error.\n",
    .missingValue = "%1 needs a folder",
};

void printLine(const QString& line)
{
    const QByteArray text = line.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
}

} // namespace

int runDicomCommand(const QStringList& arguments)
{
    const QCommandLineOption outOption(
        QStringLiteral("out"), QStringLiteral("the folder of the DICOM files (default: the current folder)"),
        QStringLiteral("DIR"));
    CommandLine commandLine(texts, {outOption},
                            {{QStringLiteral("FILE"), QStringLiteral("a camera still, as many as wanted")}});
    if (const auto status = commandLine.read(arguments))
        return *status;
    const QStringList files = commandLine.parser().positionalArguments();
    if (files.isEmpty())
        return commandLine.usageError(QString());
    const QString out =
        commandLine.parser().isSet(outOption) ? commandLine.parser().value(outOption) : QDir::currentPath();
    if (out.isEmpty())
        return commandLine.usageError(QStringLiteral("--out needs a folder"));

    const ExifOperator reader;
    bool everyFileWritten = true;
    for (const QString& file : files) {
        const auto record = reader.getExifData(file);
        if (!record) {
            everyFileWritten = false;
            printLine(
                QStringLiteral("%1: no camera record (see 'trevasel-cli inspect --summary')").arg(file));
            continue;
        }
        const DicomResult result = DicomExport::exportStill(file, *record, out);
        everyFileWritten = everyFileWritten && result.ok;
        printLine(result.ok ? QStringLiteral("%1 -> %2").arg(file, result.path)
                            : QStringLiteral("%1: %2").arg(file, result.error));
    }
    return std::fflush(stdout) == 0 && everyFileWritten ? 0 : 1;
}
