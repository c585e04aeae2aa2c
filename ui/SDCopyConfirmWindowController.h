#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>
#include <QStringList>

namespace Ui {
class SDCopyConfirmWindowController;
}

// The confirmation window: asks before a card is imported. OK hands the card folders on
// (importConfirmed) and closes; Cancel imports nothing. The program starts the batch and, in the full
// edition, opens the progress window.
class SDCopyConfirmWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    SDCopyConfirmWindowController();
    ~SDCopyConfirmWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::SDCopyConfirm; }

    // Set before showWindow.
    void setFolderArray(const QStringList& folders) { m_folderArray = folders; }
    const QStringList& folderArray() const { return m_folderArray; }

    void okButtonClick();
    void cancelButtonClick();

Q_SIGNALS:
    void importConfirmed(const QStringList& folders);

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    QScopedPointer<Ui::SDCopyConfirmWindowController> m_ui;
    QStringList m_folderArray;
};
