#include "tray/TransferPresenter.h"

#include "platform/Logger.h"
#include "transfer/ImportService.h"
#include "ui/AlertWindowController.h"
#include "ui/CopyResultWindowController.h"
#include "ui/ProgressWindowController.h"
#include "ui/SDCopyConfirmWindowController.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

template <typename Controller> Controller* windowOf(TrevaselWindowManager::WindowId id)
{
    return qobject_cast<Controller*>(TrevaselWindowManager::sharedInstance().getWindowController(id));
}

// The window of the id while it is open; nobody otherwise (and none is made).
template <typename Controller> Controller* openWindowOf(TrevaselWindowManager::WindowId id)
{
    return TrevaselWindowManager::sharedInstance().checkWindow(id) ? windowOf<Controller>(id) : nullptr;
}

void show(BaseWindowController* controller)
{
    controller->showWindow();
    controller->orderFront();
}

} // namespace

TransferPresenter::TransferPresenter(ImportService& service, Edition edition, Eject eject, QObject* parent)
    : QObject(parent), m_service(service), m_edition(edition), m_eject(std::move(eject))
{
    connect(&service, &ImportService::cardQuestion, this, &TransferPresenter::askBeforeImport);
    connect(&service, &ImportService::batchStarted, this, &TransferPresenter::batchStarted);
    connect(&service, &ImportService::pictureArrived, this, &TransferPresenter::pictureArrived);
    connect(&service, &ImportService::batchEnded, this, &TransferPresenter::batchEnded);
}

void TransferPresenter::askBeforeImport(const QStringList& cards)
{
    TrevaselWindowManager& windows = TrevaselWindowManager::sharedInstance();
    if (!windows.checkWindow(TrevaselWindowManager::SDCopyConfirm)) {
        if (auto* confirm = windowOf<SDCopyConfirmWindowController>(TrevaselWindowManager::SDCopyConfirm)) {
            confirm->setFolderArray(cards);
            connect(confirm, &SDCopyConfirmWindowController::importConfirmed, this,
                    &TransferPresenter::importConfirmed);
            show(confirm);
        }
    } else {
        windows.getWindowController(TrevaselWindowManager::SDCopyConfirm)->orderFront();
    }
    if (m_edition == Edition::Full)
        if (auto* progress = openWindowOf<ProgressWindowController>(TrevaselWindowManager::Progress))
            progress->window()->hide();
}

void TransferPresenter::importConfirmed(const QStringList& cards)
{
    // The full edition shows the batch's progress; its total follows when the batch has counted.
    if (m_edition == Edition::Full)
        if (auto* progress = windowOf<ProgressWindowController>(TrevaselWindowManager::Progress))
            show(progress);
    m_service.importCards(cards, SettingsSnapshot::read());
}

void TransferPresenter::batchStarted(const ImportBatch& batch)
{
    m_cardBatchRunning = batch.source == ImportBatch::Source::Card;
    if (!m_cardBatchRunning)
        return;
    if (auto* progress = openWindowOf<ProgressWindowController>(TrevaselWindowManager::Progress))
        progress->setTotalCount(
            static_cast<qint32>(std::clamp<qint64>(batch.pictures, 0, std::numeric_limits<qint32>::max())));
}

void TransferPresenter::pictureArrived()
{
    if (!m_cardBatchRunning)
        return;
    if (auto* progress = openWindowOf<ProgressWindowController>(TrevaselWindowManager::Progress))
        progress->updateProgress();
}

void TransferPresenter::batchEnded(const ImportOutcome& outcome)
{
    m_cardBatchRunning = false;
    const bool full = m_edition == Edition::Full;
    if (outcome.failureReason && full)
        showTransferFailure(*outcome.failureReason);
    if (outcome.batch.source != ImportBatch::Source::Card)
        return;
    if (!full) {
        if (outcome.settings->displayDesktopNotice && !outcome.stopped)
            showCopyResult(outcome.transferred);
        return;
    }
    if (TrevaselWindowManager::sharedInstance().checkWindow(TrevaselWindowManager::Progress)) {
        // The progress window shows its last state for a moment.
        QTimer::singleShot(m_closingTime, this, [this, outcome] {
            if (auto* open = openWindowOf<ProgressWindowController>(TrevaselWindowManager::Progress))
                open->close();
            finishCardBatch(outcome);
        });
        return;
    }
    finishCardBatch(outcome);
}

void TransferPresenter::finishCardBatch(const ImportOutcome& outcome)
{
    if (outcome.stopped)
        return;
    const auto showResult = [this, outcome] {
        if (outcome.cardRemoved) {
            showCardRemoved(outcome.transferred, outcome.picturesLeft);
            return;
        }
        if (outcome.settings->displayDesktopNotice && (outcome.transferred > 0 || !outcome.failureReason) &&
            !TrevaselWindowManager::sharedInstance().checkWindow(TrevaselWindowManager::Alert))
            showCopyResult(outcome.transferred);
    };
    if (!outcome.settings->ejectRemovableDevice) {
        showResult();
        return;
    }
    QTimer::singleShot(m_closingTime, this, [this, outcome, showResult] {
        if (m_eject)
            m_eject(outcome.batch.folders);
        showResult();
    });
}

void TransferPresenter::showTransferFailure(const QString& reason)
{
    Logger::info(QStringLiteral("the transfer failed: %1").arg(reason));
    if (auto* alert = windowOf<AlertWindowController>(TrevaselWindowManager::Alert)) {
        alert->setMessage(Strings::text(QStringLiteral("ApplicationMessage27")).arg(reason));
        show(alert);
    }
}

void TransferPresenter::showCopyResult(qint64 fileCount)
{
    Logger::info(QStringLiteral("transfer result shown: %1 pictures").arg(fileCount));
    if (auto* result = windowOf<CopyResultWindowController>(TrevaselWindowManager::CopyResult)) {
        result->setFileCount(fileCount);
        show(result);
    }
}

void TransferPresenter::showCardRemoved(qint64 fileCount, qint64 picturesLeft)
{
    Logger::info(QStringLiteral("the card was taken out: %1 pictures imported, %2 not")
                     .arg(fileCount)
                     .arg(picturesLeft));
    if (auto* result = windowOf<CopyResultWindowController>(TrevaselWindowManager::CopyResult)) {
        result->setFileCount(fileCount);
        result->setCardRemoved(picturesLeft);
        show(result);
    }
}

void TransferPresenter::showAlert(const QString& message, bool offerSettings)
{
    Logger::info(message);
    // Made outside the registry: its closing changes no registration.
    auto* alert = new AlertWindowController();
    alert->setMessage(message);
    alert->setShowConfigWindowFlag(offerSettings);
    show(alert);
}
