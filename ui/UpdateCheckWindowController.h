#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"
#include "ui/UpdateChecker.h"

#include <QPointer>
#include <QScopedPointer>

#include <optional>

#include "ui/LinkTextField.h"

namespace Ui {
class UpdateCheckWindowController;
}

// The update window: whether a newer version is listed, with its name, date, version and download link.
// Opened with a result (start-up's check found a newer version) it shows that result; opened from
// the menu it checks the list itself, saying that it is checking until the answer comes.
class UpdateCheckWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    UpdateCheckWindowController();
    ~UpdateCheckWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::UpdateCheck; }

    // A result already fetched; set before the window loads, it is shown without a second fetch.
    void setResult(const UpdateCheckResult& result) { m_result = result; }
    // The result shown; nothing while the check runs.
    const std::optional<UpdateCheckResult>& result() const { return m_result; }
    LinkTextField* linkTextField() const { return m_linkTextField; }

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    void showResult(const UpdateCheckResult& result);

    QScopedPointer<Ui::UpdateCheckWindowController> m_ui;
    std::optional<UpdateCheckResult> m_result;
    QPointer<LinkTextField> m_linkTextField;
};
