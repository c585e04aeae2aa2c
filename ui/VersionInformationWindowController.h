#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>

namespace Ui {
class VersionInformationWindowController;
}

// The version window: the program's name, version and build number, what it does, and the copyright.
class VersionInformationWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    VersionInformationWindowController();
    ~VersionInformationWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::VersionInformation; }

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    QScopedPointer<Ui::VersionInformationWindowController> m_ui;
};
