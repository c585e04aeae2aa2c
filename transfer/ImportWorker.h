#pragma once

#include "app/Edition.h"
#include "platform/EventIdStore.h"
#include "transfer/ImportBatch.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferObserver.h"

#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

// The import service's worker: runs one request at a time on the service's thread and tells the
// service what happens by signals. Only the service makes it.
class ImportWorker : public QObject
{
    Q_OBJECT

public:
    enum class Kind {
        WatchFolder, // the changed folders of a watch-folder event batch, or folders given by hand
        CardEvent,   // the event paths of the volumes folder: look for cards, then ask or import
        CardBatch,   // the cards to import (the answer to a question was yes)
        Waiting,     // no batch: only what earlier batches left waiting (at start-up)
    };
    struct Request
    {
        Kind kind = Kind::WatchFolder;
        QStringList paths;
        quint64 lastEventId = 0; // stored once handled; 0 for requests not from a stream
        bool fromWatchStream = false;
        SettingsSnapshotPtr settings;
    };
    struct Setup
    {
        EventIdStore eventIds{QString()};
        std::function<std::unique_ptr<TransferJob>()> makeJob;
        Edition edition = Edition::Full;
        QStringList volumesFolders;
        QString markerFolder;
        std::chrono::milliseconds watchSettleTime{0};
    };

    explicit ImportWorker(Setup setup);

    void run(const Request& request);

Q_SIGNALS:
    void cardQuestion(const QStringList& cards, const CardSummary& summary);
    void batchStarted(const ImportBatch& batch);
    void progressed(const ImportProgress& progress);
    void pictureArrived(const QString& source, const QString& target);
    void pictureSkipped(const QString& source, SkipReason why);
    void batchEnded(const ImportOutcome& outcome);
    // The request is done; outcome is the batch's (or empty when none ran).
    void finished(const ImportOutcome& outcome, bool fromWatchStream);

private:
    // Passes the job's pictures on as the worker's signals.
    class Relay : public TransferObserver
    {
    public:
        explicit Relay(ImportWorker& worker) : m_worker(worker) {}
        void pictureArrived(const QString& source, const QString& target) override;
        void pictureSkipped(const QString& source, SkipReason why) override;
        void importingPatient(const QString& patient) override;

        // In the batch that runs now.
        qint64 skipped = 0;
        SkipCounts skips;
        ImportProgress progress;

    private:
        ImportWorker& m_worker;
    };

    std::unique_ptr<TransferJob> makeJob();
    // The skips of the batch just run, into its outcome.
    void noteSkips(ImportOutcome& outcome) const;
    ImportOutcome runWatchFolder(const Request& request);
    ImportOutcome runCardEvent(const Request& request);
    ImportOutcome runCardBatch(const QStringList& cards, const SettingsSnapshotPtr& settings);
    // After a batch has been reported, and at start-up: what earlier pictures left waiting.
    void deliverWaiting(TransferJob& job, const SettingsSnapshot& settings);

    Setup m_setup;
    Relay m_relay{*this};
};
