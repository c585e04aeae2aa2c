#pragma once

#include <QStringList>

// "trevasel-cli verify [--database FILE] [--since yyyy-MM-dd]": reads back every picture whose hash
// the import history keeps and lists those that changed or went missing from the store.
int runVerifyCommand(const QStringList& arguments);
