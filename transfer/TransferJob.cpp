#include "transfer/TransferJob.h"

#include "platform/FileSystem.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <atomic>

namespace {
// Sources, jobs and windows all live on the main thread; nothing else touches the flag.
bool firstBatch = true;
// Set from a signal handler: lock-free by the standard's promise for atomic_bool.
std::atomic_bool stopping{false};
} // namespace

void TransferJob::requestStop()
{
    stopping.store(true);
}

bool TransferJob::stopRequested()
{
    return stopping.load();
}

bool TransferJob::isSettled(const QFileInfo& info)
{
    if (m_minimumAge.count() <= 0)
        return true;
    const QDateTime changed = std::max(info.lastModified(), info.metadataChangeTime());
    if (changed.isValid() && changed.msecsTo(QDateTime::currentDateTime()) >= m_minimumAge.count())
        return true;
    const QString folder = info.absolutePath();
    if (!m_unsettledFolders.contains(folder))
        m_unsettledFolders << folder;
    return false;
}

bool TransferJob::isFirst()
{
    return firstBatch;
}

void TransferJob::setIsFirst(bool first)
{
    firstBatch = first;
}

void TransferJob::finishBatch()
{
    FileSystem::syncDeferred();
}

void TransferJob::countTransfer()
{
    ++m_operationCounter;
    ++m_batchCount;
    if (m_observer && m_observer->checkWindow(TransferNotification::progressWindowId))
        m_observer->postNotification(TransferNotification::updateProgress);
}
