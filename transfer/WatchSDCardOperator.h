#pragma once

#include "app/Edition.h"
#include "platform/EventIdStore.h"
#include "platform/FileEventStream.h"
#include "transfer/ImportBatch.h"
#include "transfer/TransferJob.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The camera-card source: watches the volumes folder, recognises a camera card by the file "ORV_SD"
// at its root, decides from the marker's date whether the card holds new shots, imports every folder
// of the card and stamps the marker.
//
// It has two sides. The stream side (an object, on the window thread) holds the event stream and
// hands every batch of events, but the replay after a registration, to the import service. The batch
// side (static, on the import service's worker) looks at the volumes and runs the card batch; it
// alone touches the card registry (ORVSDManager).
class WatchSDCardOperator
{
public:
    struct Services
    {
        FileEventStreamService* streams = nullptr;
        EventIdStore eventIds{QString()};
        QStringList volumesFolders; // where volumes are mounted
        // Gets every event batch but the replay.
        std::function<void(const FileEventBatch&)> handleEvents;
    };

    explicit WatchSDCardOperator(Services services);

    void registWatchingSDCardFolder();
    bool isWatching() const { return m_stream && !m_stream->isStopped(); }

    // What the volumes named by an event batch hold.
    struct CardScan
    {
        QStringList cards;    // every volume folder with the marker
        bool newCard = false; // one of them was not seen before, or has new shots
    };
    // Lists each event path's volumes and notes the cards in the registry (full edition); a full
    // scan that finds nothing new forgets the cards that are gone.
    static CardScan scanVolumes(const QStringList& eventPaths, Edition edition,
                                const QStringList& volumesFolders);
    // Runs one card batch over the cards with the job: each card (and, in the basic edition, each of
    // its folders), then the card's marker is stamped so that it counts as handled.
    static ImportOutcome copyImage(const QStringList& cards, TransferJob& job,
                                   const SettingsSnapshot& settings, Edition edition);

    // Every folder below folder, depth first, without hidden ones and "Macintosh HD".
    static QStringList getAllSrcFolder(const QString& folder);
    // The basic edition's test of an event path: a volumes folder with exactly one name below it.
    static bool checkSearchFolder(const QString& path, const QStringList& volumesFolders);

private:
    static ImportOutcome runBasicBatch(const QStringList& cards, TransferJob& job,
                                       const SettingsSnapshot& settings);

    Services m_services;
    std::unique_ptr<FileEventStream> m_stream;
    bool m_dropNextBatch = false;
};
