#include "tools/SampleCardCommand.h"

#include "tools/SampleCardMaker.h"

#include <cstdio>

namespace {

const char* const help =
    "usage: trevasel-cli sample-card DIR\n"
    "\n"
    "Writes a sample camera card into DIR (created when missing), as the Orthavisio cameras leave it:\n"
    "  ORV_SD                  the empty marker by which the import recognises a camera card\n"
    "  DCIM/100ORVIS/          stills of a K-22 (maker note 1.0) and a K-222 (2.1 and 3.0)\n"
    "  DCIM/101ORVIS/          stills of a K-44 (4.0), a patient with a Japanese name, a patient-\n"
    "                          information image, a movie pair (.MIF index and .MOV placeholder) and\n"
    "                          an image shot without a patient\n"
    "Existing files of the same names are replaced. Prints one line per file written: its path, a tab,\n"
    "and what it holds.\n"
    "\n"
    "Exit status: 0 when the card was written, 1 when DIR or a file in it cannot be written, 64 on a\n"
    "usage error.\n";

} // namespace

int runSampleCardCommand(const QStringList& arguments)
{
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        std::fputs(help, stdout);
        return 0;
    }
    if (arguments.size() != 1 || arguments.first().startsWith(u'-')) {
        std::fputs(help, stderr);
        return 64;
    }
    const SampleCardResult result = makeSampleCard(arguments.first());
    for (const SampleCardFile& file : result.files)
        std::printf("%s\t%s\n", file.path.toUtf8().constData(), file.description.toUtf8().constData());
    if (!result.ok) {
        std::fprintf(stderr, "trevasel-cli sample-card: %s\n", result.error.toUtf8().constData());
        return 1;
    }
    return 0;
}
