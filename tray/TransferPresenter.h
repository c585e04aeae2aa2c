#pragma once

#include "app/Edition.h"
#include "transfer/ImportBatch.h"

#include <QObject>
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

private:
    void askBeforeImport(const QStringList& cards);
    void importConfirmed(const QStringList& cards);
    void batchStarted(const ImportBatch& batch);
    void pictureArrived();
    void batchEnded(const ImportOutcome& outcome);
    void finishCardBatch(const ImportOutcome& outcome);
    void showTransferFailure(const QString& reason);
    void showCopyResult(qint64 fileCount);
    void showCardRemoved(qint64 fileCount, qint64 picturesLeft);

    ImportService& m_service;
    Edition m_edition;
    Eject m_eject;
    std::chrono::milliseconds m_closingTime{1500};
    bool m_cardBatchRunning = false;
};
