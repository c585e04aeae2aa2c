#include "transfer/ImportService.h"

#include "metadata/FBEncryptorAES.h"
#include "platform/FileEventStream.h"
#include "platform/Logger.h"
#include "transfer/CopyOperator.h"
#include "transfer/ORVSDManager.h"
#include "transfer/WatchSDCardOperator.h"

#include <QFileInfo>
#include <QThread>
#include <QTimer>

ImportService::ImportService(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{
    qRegisterMetaType<ImportBatch>();
    qRegisterMetaType<ImportOutcome>();
    qRegisterMetaType<SkipReason>();
    qRegisterMetaType<ImportProgress>();
    qRegisterMetaType<CardSummary>();

    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("import"));
    m_worker =
        new ImportWorker({m_services.eventIds, m_services.makeJob, m_services.edition,
                          m_services.volumesFolders, m_services.markerFolder, m_services.watchSettleTime});
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    // Emitted on the worker itself, as its last act.
    connect(
        m_thread, &QThread::finished, m_worker, [] { FBEncryptorAES::releaseThreadState(); },
        Qt::DirectConnection);
    // Every signal of the worker comes over to this thread queued, in the order it was sent.
    connect(m_worker, &ImportWorker::cardQuestion, this, &ImportService::cardQuestion);
    connect(m_worker, &ImportWorker::batchStarted, this, &ImportService::batchStarted);
    connect(m_worker, &ImportWorker::progressed, this, &ImportService::progressed);
    connect(m_worker, &ImportWorker::pictureArrived, this, &ImportService::pictureArrived);
    connect(m_worker, &ImportWorker::pictureSkipped, this, &ImportService::pictureSkipped);
    connect(m_worker, &ImportWorker::batchEnded, this, &ImportService::batchEnded);
    connect(m_worker, &ImportWorker::finished, this, &ImportService::workerFinished);
    m_thread->start();
}

ImportService::~ImportService()
{
    m_queue.clear();
    // The sources go first: no event may queue more work now.
    m_watchSource.reset();
    m_cardSource.reset();
    m_thread->quit();
    m_thread->wait();
    // The worker was deleted by the thread's end (deleteLater runs before the thread's loop exits).
}

bool ImportService::isWatchingCards() const
{
    return m_cardSource && m_cardSource->isWatching();
}

bool ImportService::isWatchingFolder() const
{
    return m_watchSource && m_watchSource->isWatching();
}

void ImportService::registerSources(SettingsSnapshotPtr settings)
{
    if (m_busy) {
        m_pendingRegistration = std::move(settings);
        return;
    }
    applyRegistration(settings);
}

void ImportService::applyRegistration(SettingsSnapshotPtr settings)
{
    m_pendingRegistration.reset();
    if (!m_services.streams)
        return;
    const bool full = m_services.edition == Edition::Full;
    m_watchSource.reset();
    if (settings->watchFolder) {
        const QString folder = settings->watchFolderPath;
        if (!full || QFileInfo(folder).isDir()) {
            m_watchSource = std::make_unique<CopyOperator>(
                CopyOperator::Services{m_services.streams, m_services.eventIds,
                                       [this](const FileEventBatch& batch) { watchEvents(batch); }});
            m_watchSource->registWatching({folder}, settings->destinationFolderPath);
        } else {
            Q_EMIT watchFolderMissing(folder);
        }
    }
    m_cardSource.reset();
    if (settings->watchRemovableDiskDrive) {
        m_cardSource = std::make_unique<WatchSDCardOperator>(
            WatchSDCardOperator::Services{m_services.streams, m_services.eventIds, m_services.volumesFolders,
                                          [this](const FileEventBatch& batch) { cardEvents(batch); }});
        m_cardSource->registWatchingSDCardFolder();
    }
}

void ImportService::watchEvents(const FileEventBatch& batch)
{
    enqueue({ImportWorker::Kind::WatchFolder, batch.paths(), batch.lastEventId(), true,
             SettingsSnapshot::read()});
}

void ImportService::cardEvents(const FileEventBatch& batch)
{
    // The volume settles before it is looked at; a timer, so that windows draw and other events
    // come in meanwhile.
    QTimer::singleShot(
        m_services.cardSettleTime, this, [this, paths = batch.paths(), id = batch.lastEventId()] {
            enqueue({ImportWorker::Kind::CardEvent, paths, id, false, SettingsSnapshot::read()});
        });
}

void ImportService::importFolders(const QStringList& folders, SettingsSnapshotPtr settings)
{
    enqueue({ImportWorker::Kind::WatchFolder, folders, 0, false, std::move(settings)});
}

void ImportService::importCards(const QStringList& cards, SettingsSnapshotPtr settings)
{
    enqueue({ImportWorker::Kind::CardBatch, cards, 0, false, std::move(settings)});
}

void ImportService::deliverWaiting(SettingsSnapshotPtr settings)
{
    enqueue({ImportWorker::Kind::Waiting, {}, 0, false, std::move(settings)});
}

void ImportService::volumeChanged(const QString& volumeFolder)
{
    // Straight to the worker, which alone keeps the card registry: it runs before any card event of
    // the new volume, which waits for the settle pause and the queue.
    QMetaObject::invokeMethod(
        m_worker, [volumeFolder] { ORVSDManager::sharedInstance().forgetVolume(volumeFolder); },
        Qt::QueuedConnection);
}

void ImportService::enqueue(Request request)
{
    if (m_stopping)
        return;
    m_queue.push_back(std::move(request));
    startNext();
}

void ImportService::startNext()
{
    if (m_busy || m_queue.empty())
        return;
    m_busy = true;
    Request request = std::move(m_queue.front());
    m_queue.pop_front();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, request] { worker->run(request); }, Qt::QueuedConnection);
}

void ImportService::workerFinished(const ImportOutcome& outcome, bool fromWatchStream)
{
    m_busy = false;
    if (m_stopping) {
        m_queue.clear();
        Q_EMIT stopped();
        return;
    }
    // Pictures still being written come back in a batch of their own once they have settled, even
    // when no further change in their folder would bring them.
    if (fromWatchStream && m_watchSource && !outcome.unsettledFolders.isEmpty())
        m_watchSource->scheduleBatch(outcome.unsettledFolders,
                                     m_services.watchSettleTime + std::chrono::milliseconds(500));
    // Queued batches carry what they need; the sources only bring new ones, so they change now.
    if (m_pendingRegistration)
        applyRegistration(std::move(m_pendingRegistration));
    if (m_queue.empty()) {
        Q_EMIT idle();
        return;
    }
    startNext();
}

void ImportService::stopBatch()
{
    if (m_busy)
        TransferJob::requestBatchStop();
}

void ImportService::stop()
{
    TransferJob::requestStop();
    if (m_stopping)
        return;
    m_stopping = true;
    m_queue.clear();
    m_watchSource.reset();
    m_cardSource.reset();
    if (!m_busy)
        QTimer::singleShot(0, this, &ImportService::stopped);
}
