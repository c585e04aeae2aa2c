#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QElapsedTimer>
#include <QScopedPointer>

namespace Ui {
class ProgressWindowController;
}

// The progress window of a confirmed card transfer: one step per picture dealt with (arrived or
// skipped), against the batch's expected total, so it reaches 100 %; below the bar "picture N of M",
// the bytes copied of the total, the time left once a few seconds of rate are known, the patient
// being imported, and a Stop button. The tray program feeds it from the import service's signals and closes
// it when the batch has ended. The count starts at 0 whenever a progress controller is made, so a second
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

    // The batch's bytes, for the bytes line and the time left; the clock for the rate starts here.
    void setTotalBytes(qint64 bytes);
    // The batch so far: the pictures dealt with, the bytes that arrived, whose pictures are coming.
    void showProgress(qint64 pictures, qint64 bytes, const QString& patient);
    // The time left at this rate as a text; empty until there is a rate to go by.
    static QString timeLeftText(qint64 bytesDone, qint64 bytesTotal, qint64 elapsedMilliseconds);
    // "12.3 MB": bytes in decimal units, as file managers show them.
    static QString bytesText(qint64 bytes);

    // The percentage after `reported` of `total` pictures, at most 100; with nothing expected (a total
    // of 0 or less) the transfer counts as done.
    static double percentFor(qint32 reported, qint32 total);

Q_SIGNALS:
    // Stop was pressed: the batch ends after the picture in hand.
    void stopRequested();

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    void showPercent(double percent);

    QScopedPointer<Ui::ProgressWindowController> m_ui;
    void showDetails();

    qint32 m_totalCount = 0;
    qint32 m_reportedCount = 0;
    qint64 m_totalBytes = 0;
    qint64 m_bytes = 0;
    QString m_patient;
    QElapsedTimer m_clock;
};
