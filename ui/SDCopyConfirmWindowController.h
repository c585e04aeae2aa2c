#pragma once

#include "ui/BaseWindowController.h"

#include <QScopedPointer>
#include <QStringList>

#include <functional>

namespace Ui {
class SDCopyConfirmWindowController;
}

// Window 3: asks before a card is imported. OK opens the progress window (full edition) and starts the
// card batch on the folders; Cancel imports nothing.
//
// The window knows the card transfer only through these two operations, which the card source
// provides; whatever they hold (the transfer job) lives as long as they do, that is until the queued
// batch has run.
struct CardTransfer
{
    // How many pictures the batch will bring in from one folder.
    std::function<qint64(const QString& folder)> getTotalImageFileCount;
    // Runs the card batch on the folders.
    std::function<void(const QStringList& folders)> copyImage;
};

class SDCopyConfirmWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    SDCopyConfirmWindowController();
    ~SDCopyConfirmWindowController() override;

    int getTrevaselWindow() const override { return 3; }

    // Both are set before showWindow.
    void setCardTransfer(CardTransfer transfer) { m_cardTransfer = std::move(transfer); }
    void setFolderArray(const QStringList& folders) { m_folderArray = folders; }
    const QStringList& folderArray() const { return m_folderArray; }

    // Full edition: hides the window, opens the progress window with the expected count, queues the
    // batch on the event loop (it starts after this returns) and closes the window. Basic edition: no
    // progress window; the batch runs before the window closes.
    void okButtonClick();
    void cancelButtonClick();
    // Opens window 10 with the sum of the folders' picture counts as its total.
    void openProgressWindow();

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    QScopedPointer<Ui::SDCopyConfirmWindowController> m_ui;
    CardTransfer m_cardTransfer;
    QStringList m_folderArray;
};
