#pragma once

#include <QStringList>

// "trevasel-cli history list|purge-before ...": the import history for the practice's IT person.
int runHistoryCommand(const QStringList& arguments);
