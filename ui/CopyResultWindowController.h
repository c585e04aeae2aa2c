#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>

#include <chrono>

class QTimer;

namespace Ui {
class CopyResultWindowController;
}

// The result window: how many pictures a card transfer brought in. The full edition's window closes by itself
// after 20 seconds unless its button closes it first; the basic edition's stays until closed.
class CopyResultWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    CopyResultWindowController();
    ~CopyResultWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::CopyResult; }

    // Shown only when set before the window loads.
    void setFileCount(qint64 fileCount) { m_fileCount = fileCount; }
    // The card was taken out before the import had finished, with that many pictures not imported:
    // the window says so and stays until it is closed. Set before the window loads.
    void setCardRemoved(qint64 picturesLeft)
    {
        m_cardRemoved = true;
        m_picturesLeft = picturesLeft;
    }
    qint64 fileCount() const { return m_fileCount; }

    // What else the batch did, said under the count; a window with anything left behind, stopped or
    // failed stays until it is closed. Set before the window loads.
    struct Details
    {
        qint64 alreadyImported = 0;
        qint64 noPatientData = 0;
        qint64 patientInformation = 0;        // not sent, left on the card
        qint64 patientInformationRemoved = 0; // not sent, deleted from the card
        qint64 failed = 0;
        bool stopped = false;  // the user stopped the import
        QString pictureFolder; // "Open Folder" opens it; none without one
    };
    void setDetails(const Details& details) { m_details = details; }
    // The lines under the count, one per kind of picture left behind.
    static QString detailsText(const Details& details);

    void closeButtonClick();

Q_SIGNALS:
    void openFolderRequested(const QString& folder);

public:
    void timerCloseWindow();
    bool isAutoCloseTimerActive() const;

    // How long the window stays before closing itself; tests shorten it.
    static void setAutoCloseInterval(std::chrono::milliseconds interval);
    static constexpr std::chrono::milliseconds kAutoCloseInterval{std::chrono::seconds(20)};

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    QScopedPointer<Ui::CopyResultWindowController> m_ui;
    qint64 m_fileCount = 0;
    bool m_cardRemoved = false;
    qint64 m_picturesLeft = 0;
    Details m_details;
    QTimer* m_autoCloseTimer = nullptr;
};
