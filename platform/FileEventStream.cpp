#include "platform/FileEventStream.h"

#include "platform/Logger.h"

#include <QTimer>

#include <exception>

QStringList FileEventBatch::paths() const
{
    QStringList result;
    result.reserve(events.size());
    for (const FileEvent& event : events)
        result.append(event.path);
    return result;
}

FileEventStream::FileEventStream(QStringList watchedPaths, quint64 sinceEventId, Callback callback)
    : m_watchedPaths(std::move(watchedPaths)), m_lastEventId(sinceEventId), m_callback(std::move(callback))
{
    if (sinceEventId != 0)
        QTimer::singleShot(0, this, [this] { deliver(m_watchedPaths); });
}

FileEventStream::~FileEventStream()
{
    *m_alive = false;
}

void FileEventStream::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    stopWatching();
}

void FileEventStream::scheduleBatch(const QStringList& folders, std::chrono::milliseconds delay)
{
    if (!m_stopped && !folders.isEmpty())
        QTimer::singleShot(delay, this, [this, folders] { addChanged(folders); });
}

void FileEventStream::addChanged(const QStringList& folders)
{
    // While a callback runs, its nested event loop turns; the folders wait for it to return.
    if (!m_stopped && m_delivering)
        scheduleBatch(folders, std::chrono::milliseconds(100));
    else
        deliver(folders);
}

bool FileEventStream::deliver(const QStringList& changedFolders)
{
    if (m_stopped || m_delivering)
        return false;
    if (changedFolders.isEmpty() || !m_callback)
        return true;
    FileEventBatch batch;
    batch.events.reserve(changedFolders.size());
    for (const QString& folder : changedFolders)
        batch.events.append({folder, ++m_lastEventId});

    // The callback may destroy this stream (a source registering again), so it runs from a copy and
    // nothing of the stream is touched afterwards unless it is still alive.
    const Callback callback = m_callback;
    struct DeliveryScope
    {
        FileEventStream* stream;
        std::shared_ptr<bool> alive;
        ~DeliveryScope()
        {
            if (*alive)
                stream->m_delivering = false;
        }
    } scope{this, m_alive};
    m_delivering = true;
    // An exception must not unwind through the event loop; the sources handle their own, so one
    // that comes this far is only logged.
    try {
        callback(batch);
    } catch (const std::exception& error) {
        Logger::info(
            QStringLiteral("event batch ended by an error: %1").arg(QString::fromLocal8Bit(error.what())));
    } catch (...) {
        Logger::info(QStringLiteral("event batch ended by an unknown error"));
    }
    return true;
}
