#pragma once

#include "app/Edition.h"
#include "platform/EventIdStore.h"
#include "platform/FileEventStream.h"
#include "transfer/SourceShell.h"
#include "transfer/TransferJob.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

// The camera-card source: watches the volumes folder, recognises a camera card by the file "ORV_SD"
// at its root, decides from the marker's date whether the card holds new shots, asks first when
// "confirm before sending" is 1001, imports every folder of the card, stamps the marker, ejects the
// card and shows the result.
//
// A source holds its own event stream; registering again replaces it. A job is made for every
// batch, so that one source serves both editions' jobs.
class WatchSDCardOperator
{
public:
    struct Services : SourceServices
    {
        QStringList volumesFolders; // where volumes are mounted
        // The pause before the volumes are looked at, and before the progress window closes and
        // the card is ejected.
        std::chrono::milliseconds settleTime{2500};
        std::chrono::milliseconds closingTime{1500};
    };

    explicit WatchSDCardOperator(Services services);

    void registWatchingSDCardFolder();
    void stopWatchingSDCardFolder();
    bool isWatching() const { return m_stream && !m_stream->isStopped(); }

    // Every folder below folder, depth first, without hidden ones and "Macintosh HD".
    static QStringList getAllSrcFolder(const QString& folder);
    // Runs one card batch over the cards with the job (the settings are read now).
    void copyImage(const QStringList& cards, TransferJob& job);
    // The basic edition's test of an event path: a volumes folder with exactly one name below it.
    bool checkSearchFolder(const QString& path) const;

    // The stream's callback.
    void handleEvents(const FileEventBatch& batch);

private:
    void runBasicBatch(const QStringList& cards, TransferJob& job, const QVariantMap& snapshot);
    // A new job's card transfer, kept alive by the functions until they are gone.
    SourceShell::CardTransfer cardTransfer();

    Services m_services;
    std::unique_ptr<FileEventStream> m_stream;
    bool m_dropNextBatch = false;
};
