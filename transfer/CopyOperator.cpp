#include "transfer/CopyOperator.h"

#include <algorithm>

CopyOperator::CopyOperator(Services services) : m_services(std::move(services)) {}

void CopyOperator::registWatching(const QStringList& folders, const QString& destinationFolderPath)
{
    const bool anyPath =
        std::any_of(folders.begin(), folders.end(), [](const QString& path) { return !path.isEmpty(); });
    if (!anyPath || destinationFolderPath.isEmpty())
        return;
    const quint64 since = m_services.eventIds.load(EventIdStore::kImageFileKey);
    // The first batch of a stream started from a stored position replays what an earlier run saw.
    m_dropNextBatch = since != 0;
    m_stream.reset();
    m_stream = m_services.streams->createStream(folders, since, [this](const FileEventBatch& batch) {
        if (m_dropNextBatch) {
            m_dropNextBatch = false;
            return;
        }
        m_services.handleEvents(batch);
    });
}

void CopyOperator::stopWatching()
{
    m_stream.reset();
}

void CopyOperator::scheduleBatch(const QStringList& folders, std::chrono::milliseconds delay)
{
    if (m_stream && !folders.isEmpty())
        m_stream->scheduleBatch(folders, delay);
}
