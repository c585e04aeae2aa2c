#pragma once

#include <QStringList>

// "trevasel-cli watch --settings FILE [--database FILE] [--basic]": the import service of the tray
// programs without a display, until SIGTERM or SIGINT. What a window would show goes to the log.
int runWatchCommand(const QStringList& arguments);
