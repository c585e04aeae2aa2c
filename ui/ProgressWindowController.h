#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>

namespace Ui {
class ProgressWindowController;
}

// The progress window of a confirmed card transfer: one step per picture that arrives, against the
// batch's expected total. The tray program feeds it from the import service's signals and closes it
// when the batch has ended. The count starts at 0 whenever a progress controller is made, so a second
// batch shown in the same, still open window counts on from where the first stopped.
class ProgressWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    ProgressWindowController();
    ~ProgressWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::Progress; }

    // Shows the percentage of the new total at once when the window is there.
    void setTotalCount(qint32 totalCount);
    qint32 totalCount() const { return m_totalCount; }

    // One picture more: counts it and shows the new percentage.
    void updateProgress();
    qint32 reportedCount() const { return m_reportedCount; }
    // Shows 0 percent.
    void zero();

    // The percentage after `reported` of `total` pictures, at most 100; with nothing expected (a total
    // of 0 or less) the transfer counts as done.
    static double percentFor(qint32 reported, qint32 total);

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    void showPercent(double percent);

    QScopedPointer<Ui::ProgressWindowController> m_ui;
    qint32 m_totalCount = 0;
    qint32 m_reportedCount = 0;
};
