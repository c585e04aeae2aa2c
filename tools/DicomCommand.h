#pragma once

#include <QStringList>

// "trevasel-cli dicom [--out DIR] FILE...": writes the DICOM file of each camera still.
int runDicomCommand(const QStringList& arguments);
