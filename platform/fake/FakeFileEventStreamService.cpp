#include "platform/fake/FakeFileEventStreamService.h"

FakeFileEventStream::FakeFileEventStream(const QStringList& paths, quint64 sinceEventId, Callback callback)
    : FileEventStream(paths, sinceEventId, std::move(callback)), m_sinceEventId(sinceEventId)
{
}

FakeFileEventStream::~FakeFileEventStream()
{
    Q_EMIT destroyedStream(this);
}

FakeFileEventStreamService::~FakeFileEventStreamService()
{
    for (FakeFileEventStream* stream : std::as_const(m_streams))
        stream->disconnect();
}

std::unique_ptr<FileEventStream> FakeFileEventStreamService::createStream(const QStringList& paths,
                                                                          quint64 sinceEventId,
                                                                          FileEventStream::Callback callback)
{
    auto stream = std::make_unique<FakeFileEventStream>(paths, sinceEventId, std::move(callback));
    m_streams.append(stream.get());
    ++m_created;
    QObject::connect(stream.get(), &FakeFileEventStream::destroyedStream,
                     [this](FakeFileEventStream* gone) { m_streams.removeOne(gone); });
    return stream;
}

FakeFileEventStream* FakeFileEventStreamService::streamOn(const QString& path) const
{
    for (FakeFileEventStream* stream : m_streams) {
        if (!stream->isStopped() && stream->watchedPaths().contains(path))
            return stream;
    }
    return nullptr;
}

bool FakeFileEventStreamService::push(const QString& watchedPath, const QStringList& changedFolders)
{
    FakeFileEventStream* stream = streamOn(watchedPath);
    return stream && stream->push(changedFolders);
}
