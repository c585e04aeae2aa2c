#pragma once

#include "transfer/TransferJob.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The edition's transfer job for the import service, made on its worker for each batch: the basic
// one, or the full one with the import history at databasePath (the full edition's "Trevasel.db"
// when empty). When the history is wanted and cannot be created, nothing, after saying so on
// standard error as "COMMAND: ...": without a working history the same shots would be imported
// again.
using JobMaker = std::function<std::unique_ptr<TransferJob>()>;
std::optional<JobMaker> editionJobMaker(const char* command, bool basic, QString databasePath,
                                        bool historyWanted);
