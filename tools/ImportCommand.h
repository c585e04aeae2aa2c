#pragma once

#include <QStringList>

// "trevasel-cli import --settings FILE [--database FILE] [--basic] SOURCE...": one batch of the
// watch-folder source, run from the command line.
int runImportCommand(const QStringList& arguments);
