#include "tools/HistoryCommand.h"

#include <cstdio>

int runHistoryCommand(const QStringList&)
{
    std::fputs("trevasel-cli history: not built yet\n", stderr);
    return 1;
}
