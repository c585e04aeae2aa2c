#pragma once

#include "app/Edition.h"
#include "transfer/TransferJob.h"
#include "ui/DetailConfigWindowController.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

// What differs between the two programs beyond their settings: the transfer job and, in the full
// edition, the import history and the DICOM network. Each program links only its own, so the basic
// program carries neither SQLite, the XML export nor DCMTK.
struct EditionParts
{
    Edition edition = Edition::Full;
    QString programName;
    std::function<std::unique_ptr<TransferJob>()> makeJob;
    // Full edition: makes the empty history when it is missing; purges the rows imported at or
    // before the time (yyyyMMddHHmmss).
    std::function<void(const QString& databasePath)> createHistory;
    std::function<void(const QString& databasePath, qint64 before)> purgeHistory;
    // Full edition: brings the settings of an older build up to date (and the history's columns).
    std::function<void(const QVariantMap& stored)> migrateSettings;
    // Full edition: asks the imaging server whether it answers (the detail window's "Test
    // connection"); it blocks, and the window runs it off the window thread.
    DetailConfigWindowController::PeerTest testDicomPeer;
};

// The running program's parts, defined once per program.
EditionParts editionParts();
