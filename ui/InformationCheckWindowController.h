#pragma once

#include "ui/BaseWindowController.h"
#include "ui/InformationChecker.h"
#include "ui/TrevaselWindowManager.h"

#include <QPointer>
#include <QScopedPointer>

#include <optional>

#include "ui/LinkTextField.h"

namespace Ui {
class InformationCheckWindowController;
}

// The information window (full edition): the newest information notice, in the reader's language, with its
// link. OK remembers the notice as acknowledged ("checked information id"), so it does not open again by
// itself until a newer one is published; Later only closes the window.
class InformationCheckWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    InformationCheckWindowController();
    ~InformationCheckWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::InformationCheck; }

    // A notice already fetched; set before the window loads, it is shown without a second fetch.
    // Without one the window fetches the list itself.
    void setResult(const InformationCheckResult& result) { m_result = result; }
    const std::optional<InformationCheckResult>& result() const { return m_result; }
    // The id OK stores: the notice shown, -1 when none (or not yet fetched).
    int shownId() const { return m_shownId; }
    LinkTextField* linkTextField() const { return m_linkTextField; }

    void closeButtonClick();
    void laterButtonClick();

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    void showResult(const InformationCheckResult& result);

    QScopedPointer<Ui::InformationCheckWindowController> m_ui;
    std::optional<InformationCheckResult> m_result;
    int m_shownId = -1;
    QPointer<LinkTextField> m_linkTextField;
};
