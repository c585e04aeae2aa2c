#include "transfer/CopyOperator.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "transfer/CopyFailedException.h"

#include <algorithm>

CopyOperator::CopyOperator(Services services) : m_services(std::move(services)) {}

void CopyOperator::registWatching(const QStringList& folders)
{
    const bool anyPath =
        std::any_of(folders.begin(), folders.end(), [](const QString& path) { return !path.isEmpty(); });
    const QVariantMap settings = TrevaselCommon::getUserSettingDictionary();
    if (!anyPath ||
        SettingsValue::stringValue(settings, QLatin1String(SettingsKey::destinationFolderPath)).isEmpty())
        return;
    const quint64 since = m_services.eventIds.load(EventIdStore::kImageFileKey);
    // The first batch of a stream started from a stored position replays what an earlier run saw.
    m_dropNextBatch = since != 0;
    m_stream.reset();
    m_stream = m_services.streams->createStream(folders, since,
                                                [this](const FileEventBatch& batch) { handleEvents(batch); });
}

void CopyOperator::stopWatching()
{
    m_stream.reset();
}

void CopyOperator::handleEvents(const FileEventBatch& batch)
{
    if (m_dropNextBatch) {
        m_dropNextBatch = false;
        return;
    }
    const bool full = m_services.edition == Edition::Full;
    const std::unique_ptr<TransferJob> job = m_services.makeJob();
    const TransferSettings settings =
        TransferSettings::fromSnapshot(TrevaselCommon::getUserSettingDictionary());
    job->setObserver(m_services.shell);
    job->setMinimumAge(m_services.settleTime);
    job->beginBatch();
    if (full)
        job->createTransferringFile();
    bool failed = false;
    try {
        for (const QString& folder : batch.paths()) {
            if (TransferJob::stopRequested())
                break;
            job->copyImage(folder, settings, settings.deleteOriginalImage);
        }
    } catch (const CopyFailedException& failure) {
        failed = true;
        if (full)
            m_services.shell->showTransferFailure(failure.reason());
    }
    job->finishBatch();
    if (full)
        job->deleteTransferringFile();
    // Pictures still being written come back in a batch of their own once they have settled, even
    // when no further change in their folder would bring them.
    if (m_stream && !job->unsettledFolders().isEmpty())
        m_stream->scheduleBatch(job->unsettledFolders(),
                                m_services.settleTime + std::chrono::milliseconds(500));
    if (full || !failed)
        m_services.eventIds.save(EventIdStore::kImageFileKey, batch.lastEventId());
}
