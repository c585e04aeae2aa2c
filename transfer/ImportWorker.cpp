#include "transfer/ImportWorker.h"

#include "platform/Logger.h"
#include "transfer/CardSummarizer.h"
#include "transfer/WatchFolderBatch.h"
#include "transfer/WatchSDCardOperator.h"

#include <QFileInfo>

#include <algorithm>
#include <exception>

ImportWorker::ImportWorker(Setup setup) : m_setup(std::move(setup)) {}

void ImportWorker::Relay::pictureArrived(const QString& source, const QString& target)
{
    ++progress.pictures;
    ++progress.arrived;
    progress.bytes += QFileInfo(target).size();
    Q_EMIT m_worker.pictureArrived(source, target);
    Q_EMIT m_worker.progressed(progress);
}

void ImportWorker::Relay::pictureSkipped(const QString& source, SkipReason why)
{
    ++skipped;
    switch (why) {
    case SkipReason::AlreadyImported:
    case SkipReason::AlreadyInPlace:
        ++skips.alreadyImported;
        break;
    case SkipReason::NotACameraPicture:
    case SkipReason::NoPatientData:
        ++skips.noPatientData;
        break;
    case SkipReason::PatientInformation:
        ++skips.patientInformation;
        break;
    case SkipReason::NotWhole:
        ++skips.notWhole;
        break;
    }
    ++progress.pictures;
    Q_EMIT m_worker.pictureSkipped(source, why);
    Q_EMIT m_worker.progressed(progress);
}

void ImportWorker::Relay::importingPatient(const QString& patient)
{
    if (patient == progress.patient)
        return;
    progress.patient = patient;
    Q_EMIT m_worker.progressed(progress);
}

void ImportWorker::run(const Request& request)
{
    ImportOutcome outcome;
    // Nothing may cross the worker's event loop: an unexpected failure ends the request, logged.
    try {
        switch (request.kind) {
        case Kind::WatchFolder:
            outcome = runWatchFolder(request);
            break;
        case Kind::CardEvent:
            outcome = runCardEvent(request);
            break;
        case Kind::CardBatch:
            outcome = runCardBatch(request.paths, request.settings);
            break;
        case Kind::Waiting:
            deliverWaiting(*makeJob(), *request.settings);
            break;
        }
    } catch (const std::exception& e) {
        Logger::info(QStringLiteral("the import ended unexpectedly: %1").arg(QString::fromUtf8(e.what())));
    }
    Q_EMIT finished(outcome, request.fromWatchStream);
}

std::unique_ptr<TransferJob> ImportWorker::makeJob()
{
    m_relay.skipped = 0;
    m_relay.skips = {};
    m_relay.progress = {};
    TransferJob::requestBatchStop(false);
    std::unique_ptr<TransferJob> job = m_setup.makeJob();
    job->setObserver(&m_relay);
    job->setTransferringMarkerFolder(m_setup.markerFolder);
    return job;
}

void ImportWorker::noteSkips(ImportOutcome& outcome) const
{
    outcome.skipped = m_relay.skipped;
    outcome.skips = m_relay.skips;
    // Such shots leave the source unimported exactly when both settings are on.
    if (outcome.settings->deleteOriginalImage && outcome.settings->dontSendPatientInformationImage)
        outcome.patientInformationRemoved = m_relay.skips.patientInformation;
    outcome.cancelled = outcome.stopped && !TransferJob::quitRequested();
}

ImportOutcome ImportWorker::runWatchFolder(const Request& request)
{
    const std::unique_ptr<TransferJob> job = makeJob();
    if (request.fromWatchStream)
        job->setMinimumAge(m_setup.watchSettleTime);
    Q_EMIT batchStarted({ImportBatch::Source::WatchFolder, request.paths, 0, 0});
    ImportOutcome outcome = WatchFolderBatch::run(*job, *request.settings, request.paths);
    outcome.settings = request.settings;
    noteSkips(outcome);
    // The basic edition hears of the same events again after a failure.
    if (request.lastEventId != 0 && (m_setup.edition == Edition::Full || !outcome.failureReason))
        m_setup.eventIds.save(EventIdStore::kImageFileKey, request.lastEventId);
    Q_EMIT batchEnded(outcome);
    deliverWaiting(*job, *request.settings);
    return outcome;
}

ImportOutcome ImportWorker::runCardEvent(const Request& request)
{
    const WatchSDCardOperator::CardScan scan =
        WatchSDCardOperator::scanVolumes(request.paths, m_setup.edition, m_setup.volumesFolders);
    ImportOutcome outcome;
    if (!scan.newCard || scan.cards.isEmpty())
        Logger::info(QStringLiteral("volumes looked at: %1 camera card(s), none with new shots")
                         .arg(scan.cards.size()));
    if (scan.newCard && !scan.cards.isEmpty()) {
        if (request.settings->confirmsBeforeCardImport()) {
            Logger::info(
                QStringLiteral("asking before importing %1").arg(scan.cards.join(QStringLiteral(", "))));
            Q_EMIT cardQuestion(scan.cards,
                                CardSummarizer::summarize(scan.cards, m_setup.edition, *request.settings));
        } else {
            outcome = runCardBatch(scan.cards, request.settings);
        }
    }
    m_setup.eventIds.save(EventIdStore::kSDCardKey, request.lastEventId);
    return outcome;
}

ImportOutcome ImportWorker::runCardBatch(const QStringList& cards, const SettingsSnapshotPtr& settings)
{
    const std::unique_ptr<TransferJob> job = makeJob();
    ImportBatch batch{ImportBatch::Source::Card, cards, 0, 0};
    for (const QString& card : cards) {
        const TransferJob::ImageTotals totals = job->getTotalImages(card);
        batch.pictures += totals.count;
        batch.bytes += totals.bytes;
    }
    Q_EMIT batchStarted(batch);
    ImportOutcome outcome = WatchSDCardOperator::copyImage(cards, *job, *settings, m_setup.edition);
    outcome.batch = batch;
    outcome.settings = settings;
    noteSkips(outcome);
    // A card taken out mid-batch ends it quietly or with a failure; either way the user is told.
    outcome.cardRemoved = std::any_of(cards.begin(), cards.end(), [](const QString& card) {
        return !QFileInfo(card + QStringLiteral("/ORV_SD")).exists();
    });
    if (outcome.cardRemoved)
        outcome.picturesLeft = std::max<qint64>(0, batch.pictures - outcome.transferred - outcome.skipped);
    Q_EMIT batchEnded(outcome);
    deliverWaiting(*job, *settings);
    return outcome;
}

void ImportWorker::deliverWaiting(TransferJob& job, const SettingsSnapshot& settings)
{
    // A batch the user stopped leaves the rest for the next one, like its pictures.
    if (!TransferJob::stopRequested())
        job.deliverWaiting(settings);
}
