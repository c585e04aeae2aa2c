#pragma once

#include "app/Edition.h"
#include "app/SettingsSnapshot.h"
#include "platform/EventIdStore.h"
#include "transfer/ImportBatch.h"
#include "transfer/ImportWorker.h"
#include "transfer/TransferJob.h"

#include <QObject>
#include <QStringList>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

class CopyOperator;
class FileEventStreamService;
class QThread;
class WatchSDCardOperator;
struct FileEventBatch;

// The import service: owns the camera-card and watch-folder sources and a queue of batches, and runs
// the batches one at a time on a worker thread of its own. It lives on the window thread and reports
// by signals, queued from the worker: whoever shows something (the tray program, trevasel-cli, a
// test) listens. It knows no windows and waits for nobody: asking before a card import is the signal
// cardQuestion, and the answer comes back as importCards.
//
// What runs where: the sources' event streams and the settle pauses (timers) on the window thread;
// looking at the volumes, copying, the history, the descriptions and the card registry on the worker.
class ImportService : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        FileEventStreamService* streams = nullptr; // none: only importFolders() brings work
        EventIdStore eventIds{QString()};
        std::function<std::unique_ptr<TransferJob>()> makeJob; // called on the worker
        Edition edition = Edition::Full;
        QStringList volumesFolders;
        // Where the "$TMP" marker stands while a batch runs; none when empty.
        QString markerFolder;
        // The pause after a card event before the volumes are looked at (the volume settles), and
        // how old a picture in the watch folder must be to be taken (it may still be being written).
        std::chrono::milliseconds cardSettleTime{2500};
        std::chrono::milliseconds watchSettleTime{2000};
    };

    explicit ImportService(Services services, QObject* parent = nullptr);
    // Lets the batch in hand end (quitting asks it to stop first), drops the queue and ends the worker.
    ~ImportService() override;

    // Watches the watch folder and the volumes as the settings say, replacing the sources watching
    // now. While a batch runs, this waits until it has ended: a batch never loses what it works with.
    // Batches already queued run as they were asked for.
    void registerSources(SettingsSnapshotPtr settings);
    // Queues a watch-folder batch over the folders (trevasel-cli; nothing is watched).
    void importFolders(const QStringList& folders, SettingsSnapshotPtr settings);
    // Queues a request with no batch that hands on what earlier batches left waiting (the full
    // edition's DICOM files not yet written or sent); the programs ask for it once at start-up.
    void deliverWaiting(SettingsSnapshotPtr settings);
    // Queues the card batch that a cardQuestion asked about: the answer was yes.
    void importCards(const QStringList& cards, SettingsSnapshotPtr settings);
    // A volume was mounted or unmounted there: whatever card the worker knew at that path is
    // forgotten before it looks at the volumes again.
    void volumeChanged(const QString& volumeFolder);
    // The program is quitting: the batch in hand stops after its picture in hand, the queue is
    // dropped, and stopped() follows once the worker is idle.
    void stop();
    // Ends the batch that runs after the picture in hand, the program going on; what arrived stays.
    void stopBatch();

    bool isBusy() const { return m_busy; }
    bool isWatchingCards() const;
    bool isWatchingFolder() const;

Q_SIGNALS:
    // New cards are in; the settings ask first. Answer with importCards, or not at all.
    void cardQuestion(const QStringList& cards, const CardSummary& summary);
    void batchStarted(const ImportBatch& batch);
    // After each picture dealt with, and when the patient changes.
    void progressed(const ImportProgress& progress);
    void pictureArrived(const QString& source, const QString& target);
    void pictureSkipped(const QString& source, SkipReason why);
    void batchEnded(const ImportOutcome& outcome);
    // The queue is empty and no batch runs.
    void idle();
    void stopped();
    // The settings name a watch folder that is not there; nothing watches it.
    void watchFolderMissing(const QString& folder);

private:
    using Request = ImportWorker::Request;
    void enqueue(Request request);
    void startNext();
    void workerFinished(const ImportOutcome& outcome, bool fromWatchStream);
    void applyRegistration(SettingsSnapshotPtr settings);
    void cardEvents(const FileEventBatch& batch);
    void watchEvents(const FileEventBatch& batch);

    Services m_services;
    QThread* m_thread = nullptr;
    ImportWorker* m_worker = nullptr;
    std::unique_ptr<CopyOperator> m_watchSource;
    std::unique_ptr<WatchSDCardOperator> m_cardSource;
    std::deque<Request> m_queue;
    bool m_busy = false;
    bool m_stopping = false;
    SettingsSnapshotPtr m_pendingRegistration;
};
