#pragma once

#include "transfer/TransferObserver.h"

#include <QString>
#include <QVariantMap>

// One batch's transfer job, as its source drives it: set the day pattern, then call copyImage once
// per source folder and add up operationCounter. The full and the basic edition each have one.
class TransferJob
{
public:
    virtual ~TransferJob() = default;

    // Transfers the camera's pictures of the folder (and, in the full edition, its sub-folders)
    // with the settings snapshot; isMove deletes each transferred still from the source. Throws
    // CopyFailedException when the batch has to end.
    virtual void copyImage(const QString& sourceFolder, const QVariantMap& settings, bool isMove) = 0;
    // The progress bar's estimate of the pictures below folder, added to startCount.
    virtual qint64 getTotalImageFileCount(const QString& folder, qint64 startCount) const = 0;
    // The marker "$TMP" beside the program exists while a batch runs; the basic edition has none.
    virtual void createTransferringFile() const {}
    virtual void deleteTransferringFile() const {}
    // Makes the batch's bookkeeping durable (folder entries, descriptions, history), as "sync" would
    // after "cp". The pictures themselves were synced one by one before any source went.
    virtual void finishBatch();

    qint64 operationCounter() const { return m_operationCounter; }
    void setOperationCounter(qint64 count) { m_operationCounter = count; }
    // The day sub-folder's pattern: "date format string" with "YYYY" and "DD" already taken as
    // "yyyy" and "dd". DateTimeOriginal's date is always read with "yyyy:MM:dd".
    const QString& folderDateFormat() const { return m_folderDateFormat; }
    void setFolderDateFormat(const QString& pattern) { m_folderDateFormat = pattern; }
    void setObserver(TransferObserver* observer) { m_observer = observer; }

    // One flag for every job of the process: the sources drop the first event batch after each
    // registration of their event stream.
    static bool isFirst();
    static void setIsFirst(bool first);

protected:
    // Posts the progress notification while the progress window is open.
    void reportProgress() const;

    qint64 m_operationCounter = 0;

private:
    QString m_folderDateFormat;
    TransferObserver* m_observer = nullptr;
};
