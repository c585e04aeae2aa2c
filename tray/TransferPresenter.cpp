#include "tray/TransferPresenter.h"

#include "platform/Logger.h"
#include "transfer/ImportService.h"
#include "ui/AlertWindowController.h"
#include "ui/CopyResultWindowController.h"
#include "ui/FailureText.h"
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
    connect(&service, &ImportService::progressed, this, &TransferPresenter::progressed);
    connect(&service, &ImportService::pictureSkipped, this, &TransferPresenter::pictureSkipped);
    connect(&service, &ImportService::batchEnded, this, &TransferPresenter::batchEnded);
}

void TransferPresenter::askBeforeImport(const QStringList& cards, const CardSummary& summary)
{
    TrevaselWindowManager& windows = TrevaselWindowManager::sharedInstance();
    if (!windows.checkWindow(TrevaselWindowManager::SDCopyConfirm)) {
        if (auto* confirm = windowOf<SDCopyConfirmWindowController>(TrevaselWindowManager::SDCopyConfirm)) {
            confirm->setFolderArray(cards);
            confirm->setSummary(summary.stills, summary.movies, summary.patients);
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
        if (auto* progress = windowOf<ProgressWindowController>(TrevaselWindowManager::Progress)) {
            connect(progress, &ProgressWindowController::stopRequested, &m_service, &ImportService::stopBatch,
                    Qt::UniqueConnection);
            show(progress);
        }
    m_service.importCards(cards, SettingsSnapshot::read());
}

void TransferPresenter::batchStarted(const ImportBatch& batch)
{
    m_cardBatchRunning = batch.source == ImportBatch::Source::Card;
    m_refusedNow.clear();
    if (!m_cardBatchRunning)
        return;
    if (auto* progress = openWindowOf<ProgressWindowController>(TrevaselWindowManager::Progress)) {
        progress->setTotalCount(
            static_cast<qint32>(std::clamp<qint64>(batch.pictures, 0, std::numeric_limits<qint32>::max())));
        progress->setTotalBytes(batch.bytes);
    }
}

void TransferPresenter::progressed(const ImportProgress& progress)
{
    if (!m_cardBatchRunning)
        return;
    if (auto* window = openWindowOf<ProgressWindowController>(TrevaselWindowManager::Progress))
        window->showProgress(progress.pictures, progress.bytes, progress.patient);
}

void TransferPresenter::pictureSkipped(const QString& source, SkipReason why)
{
    if (m_cardBatchRunning || why == SkipReason::NotWhole || m_refusedBefore.contains(source))
        return;
    m_refusedNow.append({source, why});
}

void TransferPresenter::batchEnded(const ImportOutcome& outcome)
{
    m_cardBatchRunning = false;
    const bool full = m_edition == Edition::Full;
    if (outcome.failureReason && full)
        showTransferFailure(outcome);
    if (outcome.batch.source != ImportBatch::Source::Card) {
        reportRefused();
        return;
    }
    if (!full) {
        if (outcome.settings->displayDesktopNotice && !outcome.stopped)
            showCopyResult(outcome);
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
    if (outcome.stopped && !outcome.cancelled)
        return; // the program is quitting
    const auto showResult = [this, outcome] {
        if (outcome.cardRemoved) {
            showCardRemoved(outcome.transferred, outcome.picturesLeft);
            return;
        }
        // A stop is said whatever the settings: the user asked for it and waits for the answer.
        if ((outcome.settings->displayDesktopNotice || outcome.cancelled) &&
            (outcome.transferred > 0 || !outcome.failureReason) &&
            !TrevaselWindowManager::sharedInstance().checkWindow(TrevaselWindowManager::Alert))
            showCopyResult(outcome);
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

void TransferPresenter::showTransferFailure(const ImportOutcome& outcome)
{
    const QString& reason = *outcome.failureReason;
    Logger::info(QStringLiteral("the transfer failed: %1").arg(reason));
    if (auto* alert = windowOf<AlertWindowController>(TrevaselWindowManager::Alert)) {
        const bool fromCard = outcome.batch.source == ImportBatch::Source::Card;
        alert->setMessage(Strings::text(QStringLiteral("ApplicationMessage27"))
                              .arg(FailureText::plainWords(reason, fromCard, outcome.transferred)));
        alert->setDetails(reason);
        show(alert);
    }
}

void TransferPresenter::showCopyResult(const ImportOutcome& outcome)
{
    Logger::info(QStringLiteral("transfer result shown: %1 pictures").arg(outcome.transferred));
    if (auto* result = windowOf<CopyResultWindowController>(TrevaselWindowManager::CopyResult)) {
        result->setFileCount(outcome.transferred);
        CopyResultWindowController::Details details;
        details.alreadyImported = outcome.skips.alreadyImported;
        details.noPatientData = outcome.skips.noPatientData;
        details.patientInformation = outcome.skips.patientInformation;
        details.patientInformationRemoved = outcome.patientInformationRemoved;
        details.failed = outcome.failureReason ? 1 : 0;
        details.stopped = outcome.cancelled;
        details.pictureFolder = outcome.settings->destinationFolderPath;
        result->setDetails(details);
        connect(result, &CopyResultWindowController::openFolderRequested, this,
                &TransferPresenter::folderRequested, Qt::UniqueConnection);
        show(result);
    }
}

void TransferPresenter::reportRefused()
{
    if (m_refusedNow.isEmpty())
        return;
    qint64 imported = 0;
    qint64 noPatient = 0;
    qint64 patientInformation = 0;
    for (const auto& [source, why] : m_refusedNow) {
        m_refusedBefore.insert(source);
        if (why == SkipReason::AlreadyImported || why == SkipReason::AlreadyInPlace)
            ++imported;
        else if (why == SkipReason::PatientInformation)
            ++patientInformation;
        else
            ++noPatient;
    }
    m_refusedNow.clear();
    // A folder that keeps refused pictures for months must not grow this without bound.
    if (m_refusedBefore.size() > 100000)
        m_refusedBefore.clear();
    QStringList reasons;
    if (imported > 0)
        reasons << Strings::text(QStringLiteral("Refused_AlreadyImported")).arg(imported);
    if (noPatient > 0)
        reasons << Strings::text(QStringLiteral("Refused_NoPatientData")).arg(noPatient);
    if (patientInformation > 0)
        reasons << Strings::text(QStringLiteral("Refused_PatientInformation")).arg(patientInformation);
    const QString message =
        Strings::text(QStringLiteral("Refused_Message")).arg(reasons.join(QStringLiteral(", ")));
    Logger::info(QStringLiteral("watch-folder pictures refused: %1").arg(message));
    Q_EMIT picturesRefused(message);
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
