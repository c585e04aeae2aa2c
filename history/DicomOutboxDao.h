#pragma once

#include "history/BaseDao.h"

#include <QString>

#include <vector>

// A still whose DICOM file is still to be written (dicomPath empty) or, written, still to be sent to
// the imaging server.
struct DicomOutboxRow
{
    QString stillPath; // the picture in the store
    QString dicomPath;
    qint64 attempts = 0;
    QString lastError;
    qint64 datetime = 0; // when it was first queued, yyyyMMddHHmmss
    qint64 rowid = 0;    // the queue's order; given by the table
};

// The table dicom_outbox of the history database: what the DICOM export could not finish yet, one row
// per still, kept until its file is written (and sent, where sending is on).
class DicomOutboxDao : public BaseDao
{
public:
    using BaseDao::BaseDao;

    // Queues the still, replacing its earlier row. False when the database cannot be written or lacks
    // the table (HistoryDatabase::createIfMissing adds it).
    bool put(const DicomOutboxRow& row) const;
    // Changes the still's row in place (its DICOM file, attempts and last error), keeping its place.
    bool update(const DicomOutboxRow& row) const;
    bool remove(const QString& stillPath) const;
    // Up to limit rows queued after the row afterRowid, in the order queued. Empty also when they
    // cannot be read; lastFailure() tells the two apart.
    std::vector<DicomOutboxRow> waiting(qint64 afterRowid, int limit) const;
    // The rows waiting; 0 also when the table cannot be read.
    int count() const;
};
