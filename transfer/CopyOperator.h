#pragma once

#include "platform/EventIdStore.h"
#include "platform/FileEventStream.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

// The watch-folder source: whenever something changes in the watched folder or below it, the changed
// folders go to the import service, which runs them as one batch (WatchFolderBatch) with the settings
// of the moment. It lives on the window thread and holds the event stream; it asks nothing and shows
// nothing.
class CopyOperator
{
public:
    struct Services
    {
        FileEventStreamService* streams = nullptr;
        EventIdStore eventIds{QString()};
        // Gets every event batch but the replay.
        std::function<void(const FileEventBatch&)> handleEvents;
    };

    explicit CopyOperator(Services services);

    // Watches the folders; nothing when the list holds no path or no destination is set.
    void registWatching(const QStringList& folders, const QString& destinationFolderPath);
    void stopWatching();
    bool isWatching() const { return m_stream && !m_stream->isStopped(); }
    // Counts the folders as changed once more after the delay: pictures still being written when a
    // batch looked at them come back even when nothing else changes in their folder.
    void scheduleBatch(const QStringList& folders, std::chrono::milliseconds delay);

private:
    Services m_services;
    std::unique_ptr<FileEventStream> m_stream;
    bool m_dropNextBatch = false;
};
