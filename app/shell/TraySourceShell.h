#pragma once

#include "transfer/SourceShell.h"

#include <functional>

// The sources' view of the tray program: the window registry, the notification centre and the
// event loop. The confirmation can be answered ahead by an environment variable for the tests that
// start the real program (TREVASEL_TEST_CONFIRM = "ok" or "cancel").
class TraySourceShell : public SourceShell
{
public:
    explicit TraySourceShell(std::function<void(const QStringList&)> ejectMedia);

    bool checkWindow(int windowId) const override;
    void postNotification(const QString& name) override;
    void showTransferFailure(const QString& reason) override;
    void showCopyResult(qint64 fileCount) override;
    void confirmCardTransfer(const QStringList& cards, CardTransfer transfer) override;
    void bringToFront(int windowId) override;
    void hideWindow(int windowId) override;
    void pause(std::chrono::milliseconds duration) override;
    void ejectMedia(const QStringList& folders) override;

    // Shows an alert outside the registry, as start-up does ("ApplicationMessage25", "26").
    static void showAlert(const QString& message, bool offerSettings);

private:
    std::function<void(const QStringList&)> m_ejectMedia;
};
