#pragma once

#include <QList>
#include <QString>

// Writes a camera card as the maker's intra-oral cameras leave it: the "ORV_SD" marker at the root and
// DCIM folders holding stills of all three maker-note generations for several patients (one with a
// Japanese name), a movie pair, a patient-information image and an image shot without a patient.
// Used by "trevasel-cli sample-card" for demonstrations and by tests that need a whole card.
struct SampleCardFile
{
    QString path;        // as written, below the card folder given
    QString description; // camera, maker-note version, patient and what kind of shot
};

struct SampleCardResult
{
    bool ok = false;
    QString error;               // what could not be written, when not ok
    QList<SampleCardFile> files; // in the order written, also those written before a failure
};

SampleCardResult makeSampleCard(const QString& cardFolder);
