#pragma once

#include <QStringList>

// "trevasel-cli dicom [--settings FILE] [--out DIR] [--send] STILL...": writes (and sends) the DICOM
// file of each camera still.
int runDicomCommand(const QStringList& arguments);
