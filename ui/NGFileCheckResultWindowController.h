#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QDateTime>
#include <QScopedPointer>

#include <chrono>
#include <functional>

namespace Ui {
class NGFileCheckResultWindowController;
}

// The rejected-delivery window: the practice-management system refused the delivery of one patient's pictures
// (a ".NG" answer file). The user can move that patient's folder out of the destination, or look at it.
class NGFileCheckResultWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    NGFileCheckResultWindowController();
    ~NGFileCheckResultWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::NGFileCheckResult; }

    // The answer file's name without ".NG": the patient folder's name in the destination. Shown only
    // when set before the window loads.
    void setMedicalRecordNumber(const QString& number) { m_medicalRecordNumber = number; }
    const QString& medicalRecordNumber() const { return m_medicalRecordNumber; }

    // Asks for a folder and moves the patient folder into it as "<number>_yyyyMMddHHmmss". Success
    // closes the window; a failure says so in a sheet and leaves the folder where it was. When that
    // name is taken, the move is tried once more with the time a moment later (a timer).
    void assignSaveFolder();
    // Asks for the patient folder to be shown in the file viewer (openFolderRequested).
    void openFolder();

    // The patient folder in the destination; empty when the number could name anything but one folder
    // directly inside it (empty, ".", "..", or a path).
    QString patientFolder() const;

    // Replaceable for tests: the clock, and the pause before a second target name when the first
    // exists (1 second).
    static void setClock(std::function<QDateTime()> clock);
    static void setRetryDelay(std::chrono::milliseconds delay);

Q_SIGNALS:
    void openFolderRequested(const QString& folder);
    // The patient folder was moved (or the move failed and the user was told).
    void saveFolderAssigned(bool moved);

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    void showMoveFailure();
    void saveFolderChosen(const QString& chosen);
    void moveTo(const QString& target);
    QString targetIn(const QString& chosen) const;

    QScopedPointer<Ui::NGFileCheckResultWindowController> m_ui;
    QString m_medicalRecordNumber;
};
