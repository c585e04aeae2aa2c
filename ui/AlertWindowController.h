#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>

namespace Ui {
class AlertWindowController;
}

// The alert window: a message for the user, with one button. It can lead on to the settings window, and can
// carry the title of a confirmation instead of a warning. The sources take it from the registry; the
// settings window and start-up make their own, outside it.
class AlertWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    AlertWindowController();
    ~AlertWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::Alert; }

    // Shown only when set before the window loads.
    void setMessage(const QString& message) { m_message = message; }
    // The technical text behind the message, shown under "Details" when asked for; none by default.
    // Set before the window loads.
    void setDetails(const QString& details) { m_details = details; }
    const QString& details() const { return m_details; }
    const QString& message() const { return m_message; }
    // The button opens the settings window (the settings window) before closing the alert.
    void setShowConfigWindowFlag(bool flag) { m_showConfigWindowFlag = flag; }
    bool showConfigWindowFlag() const { return m_showConfigWindowFlag; }
    // The confirmation title instead of the alert's.
    void setConfirmTitleFlag(bool flag) { m_confirmTitleFlag = flag; }
    bool confirmTitleFlag() const { return m_confirmTitleFlag; }

    void closeButtonClick();

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    QScopedPointer<Ui::AlertWindowController> m_ui;
    QString m_message;
    QString m_details;
    bool m_showConfigWindowFlag = false;
    bool m_confirmTitleFlag = false;
};
