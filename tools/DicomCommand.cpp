#include "tools/DicomCommand.h"

#include "tools/CommandLine.h"

#include "app/PropertyList.h"
#include "app/SettingsSnapshot.h"
#include "app/TrevaselCommon.h"
#include "dicom/DicomExport.h"
#include "dicom/DicomSender.h"
#include "metadata/ExifOperator.h"

#include <QDir>

#include <cstdio>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli dicom",
    .usage = "usage: trevasel-cli dicom [--settings FILE] [--out DIR] [--send] STILL...\n",
    .description =
        "Writes each camera still as a DICOM VL Photographic Image, its JPEG picture as the camera\n"
        "made it, into DIR/PATIENT ID/yyyy-MM-dd/SOP INSTANCE UID.dcm: for the pictures a practice\n"
        "imported before the DICOM export was on. The still is read as the full edition\n"
        "(TrevaselForPravena) reads it. DIR is --out, else the settings' \"dicom folder path\", else\n"
        "the current folder. With --send, each file is also sent to the imaging server the settings\n"
        "name (\"dicom peer host\", \"dicom peer port\", \"dicom called ae title\", \"dicom calling ae\n"
        "title\"), over one association. One line per still:\n"
        "\n"
        "  STILL -> DICOM FILE\n"
        "  STILL -> DICOM FILE, sent to HOST:PORT\n"
        "  STILL -> DICOM FILE, not sent: REASON\n"
        "  STILL: REASON\n"
        "\n"
        "The same still always gives the same file: writing it again replaces it with equal bytes, and\n"
        "a server keeps one copy of it.\n",
    .epilogue = "Exit status: 0 when every file was written (and sent), 1 when any was not or the settings\n"
                "cannot be read, 64 on a usage error.\n",
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
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral("the settings property list to take the DICOM folder and the server from"),
        QStringLiteral("FILE"));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("the folder of the DICOM files (default: see above)"),
                                       QStringLiteral("DIR"));
    const QCommandLineOption sendOption(
        QStringLiteral("send"), QStringLiteral("also send each file to the settings' imaging server"));
    CommandLine commandLine(texts, {settingsOption, outOption, sendOption},
                            {{QStringLiteral("STILL"), QStringLiteral("a camera still, as many as wanted")}});
    if (const auto status = commandLine.read(arguments))
        return *status;
    const QCommandLineParser& parser = commandLine.parser();
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return commandLine.usageError(QString());
    if (parser.isSet(outOption) && parser.value(outOption).isEmpty())
        return commandLine.usageError(QStringLiteral("--out needs a folder"));
    const bool send = parser.isSet(sendOption);
    if (send && !parser.isSet(settingsOption))
        return commandLine.usageError(QStringLiteral("--send needs --settings FILE, which names the server"));

    SettingsSnapshot settings;
    if (parser.isSet(settingsOption)) {
        const auto stored = PropertyList::readFile(parser.value(settingsOption));
        if (!stored) {
            std::fprintf(stderr, "trevasel-cli dicom: cannot read the settings file %s\n",
                         qPrintable(parser.value(settingsOption)));
            return 1;
        }
        settings = SettingsSnapshot::fromDictionary(*stored, Edition::Full);
    }
    QString out = parser.value(outOption);
    if (out.isEmpty())
        out = settings.dicomFolderPath.isEmpty() ? QDir::currentPath() : settings.dicomFolderPath;

    const ExifOperator reader;
    DicomSender sender(settings.dicomPeer);
    const QString server = DicomSender::peerName(settings.dicomPeer);
    std::optional<QString> unreachable; // once the server cannot be reached, the rest is not tried
    bool everyFileDone = true;
    for (const QString& file : files) {
        const auto record = reader.getExifData(file);
        if (!record) {
            everyFileDone = false;
            printLine(
                QStringLiteral("%1: no camera record (see 'trevasel-cli inspect --summary')").arg(file));
            continue;
        }
        const DicomResult result = DicomExport::exportStill(file, *record, out);
        everyFileDone = everyFileDone && result.ok;
        if (!result.ok) {
            printLine(QStringLiteral("%1: %2").arg(file, result.error));
            continue;
        }
        if (!send) {
            printLine(QStringLiteral("%1 -> %2").arg(file, result.path));
            continue;
        }
        if (!unreachable && !sender.isOpen()) {
            if (const DicomSender::Answer opened = sender.open(); !opened.done())
                unreachable = DicomSender::describe(opened, server);
        }
        const DicomSender::Answer sent =
            unreachable ? DicomSender::Answer{DicomSender::Outcome::NoConnection, *unreachable}
                        : sender.send(result.path);
        everyFileDone = everyFileDone && sent.done();
        printLine(sent.done() ? QStringLiteral("%1 -> %2, sent to %3").arg(file, result.path, server)
                              : QStringLiteral("%1 -> %2, not sent: %3").arg(file, result.path, sent.detail));
    }
    sender.close();
    return std::fflush(stdout) == 0 && everyFileDone ? 0 : 1;
}
