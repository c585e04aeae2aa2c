#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

// One changed folder of a batch and the id of its event. Ids grow with every event of a stream and
// go on from the id the stream was started at, so the last id of a handled batch, stored, is the
// position to start from next time.
struct FileEvent
{
    QString path;
    quint64 id = 0;
};

// A batch of file-system events: the folders in which something changed during one latency window,
// each once, in the order of their first change.
struct FileEventBatch
{
    QList<FileEvent> events;

    QStringList paths() const;
    quint64 lastEventId() const { return events.isEmpty() ? 0 : events.last().id; }
};

// A running stream of file-system events on a list of folders and everything below them. Batches are
// handed to the callback on the thread that created the stream, never while its callback for an
// earlier batch is still running (events of that time come in a later batch).
//
// The owner holds the stream; destroying it stops delivery at once, also from inside the callback.
// An exception out of the callback is logged and goes no further.
// A stream knows nothing of other streams, so stopping one never stops another.
class FileEventStream : public QObject
{
    Q_OBJECT
public:
    using Callback = std::function<void(const FileEventBatch&)>;

    ~FileEventStream() override;

    const QStringList& watchedPaths() const { return m_watchedPaths; }
    bool isStopped() const { return m_stopped; }
    // Ends delivery for good; batches not yet handed over are dropped.
    void stop();
    // Counts the folders as changed once more after the delay (their batch follows within the
    // latency), for a source that left something for later (a file still being written) and cannot
    // count on another event to bring it back.
    void scheduleBatch(const QStringList& folders, std::chrono::milliseconds delay);

protected:
    // sinceEventId: the last event handled by an earlier stream of the same source, or 0. When it is
    // not 0, the first batch holds the watched paths: the system keeps no history of events to replay
    // from that id, so this batch stands in for the replay (and the source's first-batch rule drops
    // it). It comes on its own, on the next turn of the event loop.
    FileEventStream(QStringList watchedPaths, quint64 sinceEventId, Callback callback);

    // Hands the changed folders to the callback with new ids. False, with nothing handed over, while
    // the callback is running or after stop(); the caller keeps the paths for later.
    bool deliver(const QStringList& changedFolders);
    bool isDelivering() const { return m_delivering; }
    virtual void stopWatching() {}
    // Takes folders counted as changed by scheduleBatch(); by default hands them over at once, or
    // as soon as the running callback has returned.
    virtual void addChanged(const QStringList& folders);

private:
    QStringList m_watchedPaths;
    quint64 m_lastEventId;
    Callback m_callback;
    bool m_stopped = false;
    bool m_delivering = false;
    // Cleared when the stream is destroyed, so a delivery notices that its callback destroyed it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// Makes event streams. The card source and the watch-folder source each hold the stream they got;
// registering a source again replaces its stream, and the earlier one stops when it is destroyed.
class FileEventStreamService
{
public:
    // The production latency: events are gathered for this long after the first one of a batch.
    static constexpr std::chrono::milliseconds kLatency{5000};

    virtual ~FileEventStreamService() = default;

    // A stream on the folders and every folder below them, new ones included. A folder that does not
    // exist yet is watched from the moment it appears.
    virtual std::unique_ptr<FileEventStream> createStream(const QStringList& paths, quint64 sinceEventId,
                                                          FileEventStream::Callback callback) = 0;

    // The operating system's service (inotify on Linux) with the given latency.
    static std::unique_ptr<FileEventStreamService>
    createSystemService(std::chrono::milliseconds latency = kLatency);
};
