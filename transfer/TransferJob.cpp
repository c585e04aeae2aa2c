#include "transfer/TransferJob.h"

#include "platform/FileSystem.h"
#include "platform/Logger.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <atomic>

namespace {
// Set from a signal handler: lock-free by the standard's promise for atomic_bool.
std::atomic_bool stopping{false};
// Set from the window thread when the user stops the batch that runs.
std::atomic_bool batchStopping{false};
} // namespace

void TransferJob::requestStop()
{
    stopping.store(true);
}

bool TransferJob::stopRequested()
{
    return stopping.load() || batchStopping.load();
}

bool TransferJob::quitRequested()
{
    return stopping.load();
}

void TransferJob::requestBatchStop(bool stop)
{
    batchStopping.store(stop);
}

bool TransferJob::isSettled(const QFileInfo& info)
{
    if (m_minimumAge.count() <= 0)
        return true;
    const QDateTime changed = std::max(info.lastModified(), info.metadataChangeTime());
    if (changed.isValid() && changed.msecsTo(QDateTime::currentDateTime()) >= m_minimumAge.count())
        return true;
    noteUnsettled(info.filePath());
    return false;
}

void TransferJob::noteUnsettled(const QString& path)
{
    Logger::info(QStringLiteral("left for a later batch, not whole yet (still being written, or cut off): %1")
                     .arg(path));
    const QString folder = QFileInfo(path).absolutePath();
    if (!m_unsettledFolders.contains(folder))
        m_unsettledFolders << folder;
}

void TransferJob::finishBatch()
{
    FileSystem::syncDeferred();
}

QString TransferJob::transferringFilePath() const
{
    return m_markerFolder.isEmpty() ? QString() : m_markerFolder + QStringLiteral("/$TMP");
}

void TransferJob::countTransfer(const QString& source, const QString& target)
{
    ++m_operationCounter;
    ++m_batchCount;
    if (m_observer)
        m_observer->pictureArrived(source, target);
}

void TransferJob::reportPatient(const QString& patient) const
{
    if (m_observer)
        m_observer->importingPatient(patient);
}

void TransferJob::reportSkip(const QString& source, SkipReason why) const
{
    if (m_observer)
        m_observer->pictureSkipped(source, why);
}
