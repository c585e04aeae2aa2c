#include "tools/SampleCardCommand.h"

#include <cstdio>

int runSampleCardCommand(const QStringList&)
{
    std::fputs("sample-card: not built yet\n", stderr);
    return 1;
}
