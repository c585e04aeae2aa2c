#pragma once

#include "app/SettingsSnapshot.h"
#include "dicom/DicomExport.h"
#include "metadata/ExifEntity.h"

#include <QString>

#include <functional>

// The DICOM side of an import (full edition): each still that arrives gets its DICOM file and, with
// "dicom send" on, goes to the imaging server. Nothing here ever fails a picture's import or touches a
// card: what cannot be done now waits in the history database's dicom_outbox and is done by
// deliverWaiting, which the import worker runs after every batch and once at start-up.
//
// Runs on the import worker (or trevasel-cli); the database is the history's file.
class DicomOutbox
{
public:
    // The settings must outlive the outbox.
    DicomOutbox(QString databasePath, const SettingsSnapshot& settings);

    // The still has arrived in the store: writes its DICOM file. One that cannot be written for a
    // reason of the folder or the disk waits to be written again; with sending on, a written one
    // waits to be sent (deliverWaiting sends them all over one association).
    void stillArrived(const QString& stillPath, const ExifEntity& record) const;

    struct Summary
    {
        int written = 0; // files written that had failed before
        int sent = 0;    // files the server stored
        int refused = 0; // files the server answered with a failure status (they wait)
        int waiting = 0; // rows left in the queue
        bool serverUnreachable = false;
    };
    // Writes the files that failed before and sends those not sent yet, first queued first, until the
    // queue is through, the server cannot be reached, or stop() is true (checked between files). Rows
    // whose step is off in the settings stay queued for when it is on again.
    Summary deliverWaiting(const std::function<bool()>& stop) const;

    // Reads the still's camera record and writes its DICOM file (the export of a still the queue or
    // trevasel-cli holds by its path).
    static DicomResult exportByPath(const QString& stillPath, const QString& dicomFolder);

private:
    QString m_databasePath;
    const SettingsSnapshot& m_settings;
};
