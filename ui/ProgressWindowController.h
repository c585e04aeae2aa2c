#pragma once

#include "ui/BaseWindowController.h"

#include <QScopedPointer>

namespace Ui {
class ProgressWindowController;
}

// Window 10: the progress of a card transfer. It counts the "notificationNameUpdateProgress" posts,
// one per picture, against the expected total, and closes on "notificationNameCloseProgressWindow".
//
// The count is process-wide and starts again at 0 whenever a progress controller is made, so a second
// batch shown in the same, still open window counts on from where the first stopped.
class ProgressWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    ProgressWindowController();
    ~ProgressWindowController() override;

    int getTrevaselWindow() const override { return 10; }

    void setTotalCount(qint32 totalCount) { m_totalCount = totalCount; }
    qint32 totalCount() const { return m_totalCount; }

    // One picture more: counts it, shows the new percentage and lets the window draw.
    void updateProgress();
    void updateProgressNotification();
    void closeWindowNotification();
    // Shows 0 percent.
    void zero();

    // The percentage after `reported` of `total` pictures, at most 100; with nothing expected (a total
    // of 0 or less) the transfer counts as done.
    static double percentFor(qint32 reported, qint32 total);

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;
    void windowWillClose() override;

private:
    void showPercent(double percent);

    QScopedPointer<Ui::ProgressWindowController> m_ui;
    qint32 m_totalCount = 0;
};
