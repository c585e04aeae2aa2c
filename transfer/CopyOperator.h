#pragma once

#include "app/Edition.h"
#include "platform/EventIdStore.h"
#include "platform/FileEventStream.h"
#include "transfer/SourceShell.h"
#include "transfer/TransferJob.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

// The watch-folder source: whenever something changes in the watched folder or below it, the
// changed folders are handed to a transfer job with the settings of the moment. It asks nothing and
// shows only a failure. A picture still being written is left for a batch of its own shortly after.
class CopyOperator
{
public:
    struct Services : SourceServices
    {
        // A picture changed more recently than this is taken by a later batch.
        std::chrono::milliseconds settleTime{2000};
    };

    explicit CopyOperator(Services services);

    // Watches the folders; nothing when the list holds no path or no destination is set.
    void registWatching(const QStringList& folders);
    void stopWatching();
    bool isWatching() const { return m_stream && !m_stream->isStopped(); }

    // The stream's callback.
    void handleEvents(const FileEventBatch& batch);

private:
    Services m_services;
    std::unique_ptr<FileEventStream> m_stream;
    bool m_dropNextBatch = false;
};
