#include "transfer/TransferJob.h"

#include "platform/FileSystem.h"

namespace {
// Sources, jobs and windows all live on the main thread; nothing else touches the flag.
bool firstBatch = true;
} // namespace

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
