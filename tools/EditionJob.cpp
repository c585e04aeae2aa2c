#include "tools/EditionJob.h"

#include "app/TrevaselCommon.h"
#include "history/HistoryDatabase.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "transfer/BasicWatchFolderOperator.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

std::optional<JobMaker> editionJobMaker(const char* command, bool basic, QString databasePath,
                                        bool historyWanted)
{
    if (basic)
        return JobMaker([] { return std::make_unique<BasicWatchFolderOperator>(); });
    if (databasePath.isEmpty())
        databasePath = TrevaselCommon::getDBFilePath();
    if (historyWanted && (!QDir().mkpath(QFileInfo(databasePath).absolutePath()) ||
                          !HistoryDatabase::createIfMissing(databasePath))) {
        std::fprintf(stderr, "%s: cannot create the import history %s\n", command, qPrintable(databasePath));
        return std::nullopt;
    }
    return JobMaker([databasePath] { return std::make_unique<BaseWatchFolderOperator>(databasePath); });
}
