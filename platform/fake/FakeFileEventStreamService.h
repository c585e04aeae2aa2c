#pragma once

#include "platform/FileEventStream.h"

#include <QList>

// Streams that deliver only what a test pushes by hand. The replay batch of a stream started with a
// stored event id comes as from the system's service, on the next turn of the event loop.
class FakeFileEventStream : public FileEventStream
{
    Q_OBJECT
public:
    FakeFileEventStream(const QStringList& paths, quint64 sinceEventId, Callback callback);
    ~FakeFileEventStream() override;

    quint64 sinceEventId() const { return m_sinceEventId; }
    // Hands a batch to the callback now; false when the stream is stopped or inside its callback.
    bool push(const QStringList& changedFolders) { return deliver(changedFolders); }

Q_SIGNALS:
    void destroyedStream(FakeFileEventStream* stream);

private:
    quint64 m_sinceEventId;
};

class FakeFileEventStreamService : public FileEventStreamService
{
public:
    ~FakeFileEventStreamService() override;

    std::unique_ptr<FileEventStream> createStream(const QStringList& paths, quint64 sinceEventId,
                                                  FileEventStream::Callback callback) override;

    // The streams that exist now (not destroyed), oldest first, stopped ones included.
    const QList<FakeFileEventStream*>& streams() const { return m_streams; }
    // The live stream, not stopped, that watches exactly this path; null when none.
    FakeFileEventStream* streamOn(const QString& path) const;
    // Pushes the batch to the live stream on the path; false when there is none.
    bool push(const QString& watchedPath, const QStringList& changedFolders);
    int createdCount() const { return m_created; }

private:
    QList<FakeFileEventStream*> m_streams;
    int m_created = 0;
};
