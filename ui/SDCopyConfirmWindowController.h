#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>
#include <QStringList>

namespace Ui {
class SDCopyConfirmWindowController;
}

// The confirmation window: asks before a card is imported. OK hands the card folders on
// (importConfirmed) and closes; Cancel imports nothing. The program starts the batch and, in the full
// edition, opens the progress window.
class SDCopyConfirmWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    SDCopyConfirmWindowController();
    ~SDCopyConfirmWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::SDCopyConfirm; }

    // Set before showWindow.
    void setFolderArray(const QStringList& folders) { m_folderArray = folders; }
    // What the cards hold, said under the question: the pictures and movies, and for whom (at most
    // five patients, then how many more). Set before the window loads.
    void setSummary(qint64 stills, qint64 movies, const QStringList& patients)
    {
        m_stills = stills;
        m_movies = movies;
        m_patients = patients;
        m_hasSummary = true;
    }
    // The summary as the window says it.
    static QString summaryText(qint64 stills, qint64 movies, const QStringList& patients);
    const QStringList& folderArray() const { return m_folderArray; }

    void okButtonClick();
    void cancelButtonClick();

Q_SIGNALS:
    void importConfirmed(const QStringList& folders);

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    QScopedPointer<Ui::SDCopyConfirmWindowController> m_ui;
    QStringList m_folderArray;
    qint64 m_stills = 0;
    qint64 m_movies = 0;
    QStringList m_patients;
    bool m_hasSummary = false;
};
