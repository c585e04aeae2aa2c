#pragma once

#include <QStringList>

// "trevasel-cli inspect [--basic] FILE...": one JSON line per file with what the reader found.
int runInspectCommand(const QStringList& arguments);
