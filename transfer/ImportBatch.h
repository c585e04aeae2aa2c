#pragma once

#include "app/SettingsSnapshot.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

// One batch as the import service reports it when it starts: where its pictures come from and, for a
// card, how many there are and how many bytes they hold (0 when not counted).
struct ImportBatch
{
    enum class Source { Card, WatchFolder };
    Source source = Source::WatchFolder;
    QStringList folders; // the card folders, or the folders in which something changed
    qint64 pictures = 0;
    qint64 bytes = 0;
};

// How far a batch has come: the pictures dealt with (arrived or skipped) and the bytes of those that
// arrived, and whose pictures are being imported.
struct ImportProgress
{
    qint64 pictures = 0;
    qint64 arrived = 0;
    qint64 bytes = 0;
    QString patient; // "ID NAME", as the patient folder is named
};

// The pictures a batch left where they are, by reason.
struct SkipCounts
{
    qint64 alreadyImported = 0;    // the history knows them, or the same shot is in the store
    qint64 noPatientData = 0;      // camera pictures without a patient ID, and files of no camera
    qint64 patientInformation = 0; // patient-information shots, not sent
    qint64 notWhole = 0;           // still being written or cut off: tried again later
    qint64 total() const { return alreadyImported + noPatientData + patientInformation + notWhole; }
};

// What a card holds, counted before the user is asked whether to import it.
struct CardSummary
{
    qint64 stills = 0;
    qint64 movies = 0;
    QStringList patients; // "ID NAME", in the order first met, each once
};

// How a batch ended.
struct ImportOutcome
{
    ImportBatch batch;
    qint64 transferred = 0;               // pictures that arrived, also when the batch failed
    std::optional<QString> failureReason; // the batch ended with copyFailedException
    bool stopped = false;                 // the program is quitting: the batch ended early
    qint64 skipped = 0;                   // pictures looked at and left where they are
    SkipCounts skips;                     // the same, by reason
    // Patient-information shots removed from the source without being imported ("delete original
    // image" with "dont send patient information image").
    qint64 patientInformationRemoved = 0;
    bool cancelled = false; // the user stopped the batch (stopped is also set)
    // A card batch whose card was taken out before it had finished, and how many of the card's
    // pictures were neither imported nor looked at.
    bool cardRemoved = false;
    qint64 picturesLeft = 0;
    // Folders holding pictures too young to take (still being written); they come back later.
    QStringList unsettledFolders;
    SettingsSnapshotPtr settings; // the snapshot the batch ran with
};

Q_DECLARE_METATYPE(ImportBatch)
Q_DECLARE_METATYPE(ImportProgress)
Q_DECLARE_METATYPE(CardSummary)
Q_DECLARE_METATYPE(ImportOutcome)
