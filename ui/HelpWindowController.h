#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>

class QPdfDocument;
class QPdfView;

namespace Ui {
class HelpWindowController;
}

// The help window: the user manual, a PDF compiled into the program, in the reader's language. The file's
// name is a text of the string table ("ApplicationMessage8"), so each language names its own manual.
// A missing manual shows an empty view.
class HelpWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    HelpWindowController();
    ~HelpWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::Help; }

    // The manual of the current language, e.g. ":/manual/Trevasel-manual-en.pdf".
    static QString getPDFUrl();
    QPdfView* helpPDFView() const;
    QPdfDocument* document() const { return m_document; }

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;

private:
    QScopedPointer<Ui::HelpWindowController> m_ui;
    QPdfDocument* m_document = nullptr;
};
