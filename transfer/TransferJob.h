#pragma once

#include "app/SettingsSnapshot.h"
#include "transfer/TransferObserver.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <chrono>

// One batch's transfer job, as its source drives it: beginBatch, copyImage once per source folder,
// finishBatch; batchCount then says how many pictures arrived, also when the batch ended with a
// failure. The full and the basic edition each have one.
class TransferJob
{
public:
    virtual ~TransferJob() = default;

    // Transfers the camera's pictures of the folder (and, in the full edition, its sub-folders);
    // isMove deletes each transferred still from the source. Throws CopyFailedException when the
    // batch has to end. The settings are read once per batch into a SettingsSnapshot.
    virtual void copyImage(const QString& sourceFolder, const SettingsSnapshot& settings, bool isMove) = 0;
    void copyImage(const QString& sourceFolder, const QVariantMap& snapshot, bool isMove)
    {
        copyImage(sourceFolder, SettingsSnapshot::fromDictionary(snapshot), isMove);
    }
    // The progress bar's estimate of the pictures below folder, added to startCount.
    virtual qint64 getTotalImageFileCount(const QString& folder, qint64 startCount) const = 0;
    // True for a job that takes the sub-folders of a folder with it (the full edition's).
    virtual bool descendsIntoFolders() const { return false; }
    // The stills below folder and their bytes, in one walk; the bytes are 0 where the job does not
    // measure them.
    struct ImageTotals
    {
        qint64 count = 0;
        qint64 bytes = 0;
    };
    virtual ImageTotals getTotalImages(const QString& folder) const
    {
        return {getTotalImageFileCount(folder, 0), 0};
    }
    // The marker "$TMP" stands in its folder while a batch runs; the basic edition has none. The
    // program hands the folder over (beside the program, or its runtime folder); no folder, no marker.
    void setTransferringMarkerFolder(const QString& folder) { m_markerFolder = folder; }
    QString transferringFilePath() const;
    virtual void createTransferringFile() const {}
    virtual void deleteTransferringFile() const {}
    // Starts counting a new batch.
    void beginBatch() { m_batchCount = 0; }
    // Puts in place whatever is still on its way and makes the batch's bookkeeping durable (folder
    // entries, descriptions, history), as "sync" would after "cp". Never throws.
    virtual void finishBatch();
    // Hands on what earlier pictures left waiting: in the full edition, the DICOM files not yet
    // written or not yet sent to the imaging server. The worker runs it after every batch and once at
    // start-up; it stops between files once a stop is requested. Never throws.
    virtual void deliverWaiting(const SettingsSnapshot& settings) { (void)settings; }

    // Pictures transferred by the latest copyImage call, its sub-folders included (the basic
    // edition's count runs on over its calls).
    qint64 operationCounter() const { return m_operationCounter; }
    // Pictures transferred since beginBatch, whatever ended the batch.
    qint64 batchCount() const { return m_batchCount; }
    void setObserver(TransferObserver* observer) { m_observer = observer; }

    // A picture modified less than this long ago is left for a later batch: in a watched folder it
    // may still be being written. Its folder is then listed in unsettledFolders(). 0 (the default)
    // takes every picture.
    void setMinimumAge(std::chrono::milliseconds age) { m_minimumAge = age; }
    const QStringList& unsettledFolders() const { return m_unsettledFolders; }

    // Asks every running job to stop after the picture in hand (a signal to quit came); the batch
    // then ends as if its folders held nothing more. Safe to call from a signal handler.
    static void requestStop();
    // True once the program quits, or while the user has the running batch stopped.
    static bool stopRequested();
    // Only the program's quitting.
    static bool quitRequested();
    // The user stops the batch that runs (after the picture in hand); a new batch starts with false.
    static void requestBatchStop(bool stop = true);

protected:
    // False, noting its folder, for a picture too young to take (see setMinimumAge).
    bool isSettled(const QFileInfo& file);
    // The picture is still being written: it is left, logged, and its folder noted for a later batch.
    void noteUnsettled(const QString& path);
    // A picture arrived: counts it and tells the observer.
    void countTransfer(const QString& source, const QString& target);
    // A picture stays where it is: tells the observer why.
    void reportSkip(const QString& source, SkipReason why) const;
    // The pictures of this patient are being imported now: tells the observer.
    void reportPatient(const QString& patient) const;
    void setOperationCounter(qint64 count) { m_operationCounter = count; }

private:
    qint64 m_operationCounter = 0;
    qint64 m_batchCount = 0;
    TransferObserver* m_observer = nullptr;
    std::chrono::milliseconds m_minimumAge{0};
    QStringList m_unsettledFolders;
    QString m_markerFolder;
};
