#include "tools/SampleCardCommand.h"

#include "tools/CommandLine.h"
#include "tools/SampleCardMaker.h"

#include <cstdio>

namespace {

const CommandLine::Texts texts{
    .name = "trevasel-cli sample-card",
    .usage = "usage: trevasel-cli sample-card DIR\n",
    .description =
        "Writes a sample camera card into DIR (created when missing), as the Orthavisio cameras leave it:\n"
        "  ORV_SD                  the empty marker by which the import recognises a camera card\n"
        "  DCIM/100ORVIS/          stills of a K-22 (maker note 1.0) and a K-222 (2.1 and 3.0)\n"
        "  DCIM/101ORVIS/          stills of a K-44 (4.0), a patient with a Japanese name, a patient-\n"
        "                          information image, a movie pair (.MIF index and .MOV placeholder) and\n"
        "                          an image shot without a patient\n"
        "Existing files of the same names are replaced. Prints one line per file written: its path, a tab,\n"
        "and what it holds.\n",
    .epilogue =
        "Exit status: 0 when the card was written, 1 when DIR or a file in it cannot be written, 64 on a\n"
        "usage error.\n",
};

} // namespace

int runSampleCardCommand(const QStringList& arguments)
{
    CommandLine commandLine(texts, {}, {{QStringLiteral("DIR"), QStringLiteral("the folder of the card")}});
    const bool parsed = commandLine.parse(arguments);
    if (commandLine.helpAsked())
        return commandLine.showHelp();
    // Any usage error shows the help alone: the command takes nothing but DIR.
    const QStringList positional = commandLine.parser().positionalArguments();
    if (!parsed || positional.size() != 1 || positional.first().startsWith(u'-'))
        return commandLine.usageError(QString());
    const SampleCardResult result = makeSampleCard(positional.first());
    for (const SampleCardFile& file : result.files)
        std::printf("%s\t%s\n", file.path.toUtf8().constData(), file.description.toUtf8().constData());
    if (!result.ok) {
        std::fprintf(stderr, "trevasel-cli sample-card: %s\n", result.error.toUtf8().constData());
        return 1;
    }
    return 0;
}
