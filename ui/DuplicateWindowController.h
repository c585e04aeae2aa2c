#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>

#include <functional>

namespace Ui {
class DuplicateWindowController;
}

// The duplicate-start window: another copy of the program is already running. Closing this window, by its
// button or its close box, ends the program.
class DuplicateWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    DuplicateWindowController();
    ~DuplicateWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::Duplicate; }

    void closeButtonClick();

    // How the program ends; QCoreApplication::quit unless replaced (tests).
    static void setQuitHandler(std::function<void()> quit);

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;
    void windowWillClose() override;

private:
    QScopedPointer<Ui::DuplicateWindowController> m_ui;
};
