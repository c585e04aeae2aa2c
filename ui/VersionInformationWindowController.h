#pragma once

#include "ui/BaseWindowController.h"

#include <QScopedPointer>

namespace Ui {
class VersionInformationWindowController;
}

// Window 5: the program's name, version and build number, what it does, and the copyright.
class VersionInformationWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    VersionInformationWindowController();
    ~VersionInformationWindowController() override;

    int getTrevaselWindow() const override { return 5; }

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    QScopedPointer<Ui::VersionInformationWindowController> m_ui;
};
