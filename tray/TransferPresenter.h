#pragma once

#include "app/Edition.h"
#include "transfer/ImportBatch.h"
#include "transfer/TransferObserver.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <functional>

class ImportService;

// Shows what the import service reports: the question before a card import (the confirmation
// window), the progress of a confirmed card batch, the result, and a failure in the alert; ejects
// a card after its batch when the settings say so. The windows' order and pauses are those a card
// batch has always had: the progress window shows its last state for a moment before it closes, and
// the card is ejected a moment later.
class TransferPresenter : public QObject
{
    Q_OBJECT

public:
    using Eject = std::function<void(const QStringList& cardFolders)>;

    TransferPresenter(ImportService& service, Edition edition, Eject eject, QObject* parent = nullptr);

    // The pause before the progress window closes, and again before the card is ejected.
    void setClosingTime(std::chrono::milliseconds time) { m_closingTime = time; }

    // Shows an alert outside the window registry, as start-up does.
    static void showAlert(const QString& message, bool offerSettings);

Q_SIGNALS:
    // The result window's "Open Folder".
    void folderRequested(const QString& folder);
    // Watch-folder pictures were refused for the first time: why they stay, for a notification.
    void picturesRefused(const QString& message);

private:
    void askBeforeImport(const QStringList& cards, const CardSummary& summary);
    void importConfirmed(const QStringList& cards);
    void batchStarted(const ImportBatch& batch);
    void progressed(const ImportProgress& progress);
    void pictureSkipped(const QString& source, SkipReason why);
    void batchEnded(const ImportOutcome& outcome);
    void finishCardBatch(const ImportOutcome& outcome);
    void showTransferFailure(const ImportOutcome& outcome);
    void showCopyResult(const ImportOutcome& outcome);
    void showCardRemoved(qint64 fileCount, qint64 picturesLeft);
    // One notification for the watch-folder pictures this batch refused for the first time.
    void reportRefused();

    ImportService& m_service;
    Edition m_edition;
    Eject m_eject;
    std::chrono::milliseconds m_closingTime{1500};
    bool m_cardBatchRunning = false;
    // Watch-folder pictures already said to be refused, so each is said once; and those of the
    // batch that runs, by reason.
    QSet<QString> m_refusedBefore;
    QList<std::pair<QString, SkipReason>> m_refusedNow;
};
