#pragma once

#include <QStringList>

// "trevasel-cli settings init|show|set": writes, shows and changes a settings file without a script.
int runSettingsCommand(const QStringList& arguments);
