#pragma once

#include <QStringList>

// "trevasel-cli sample-card DIR": writes a realistic camera card into DIR.
int runSampleCardCommand(const QStringList& arguments);
