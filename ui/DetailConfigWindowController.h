#pragma once

#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QScopedPointer>
#include <QVariantMap>

#include <optional>

namespace Ui {
class DetailConfigWindowController;
}

// The detailed settings window: in the full edition the naming and export switches, in both editions
// whether each copy is read back and checked. It never writes the settings file: the settings window
// that opened it takes its values when it applies. OK keeps the values for that Apply, Cancel (and the
// close box) discards them, Close only hides the window.
//
// The XML-export and patient-name check boxes are hidden unless the full program was started with
// "--show-all-items"; hidden, they still load and save their settings. The basic edition shows and
// saves only the copy check.
class DetailConfigWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    DetailConfigWindowController();
    ~DetailConfigWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::DetailConfig; }

    // Set by the program from "--show-all-items" before the window loads.
    void setShowAllItems(bool show) { m_showAllItems = show; }
    bool showAllItems() const { return m_showAllItems; }

    // Values shown instead of the file's, for the keys they hold (those accepted earlier and not yet
    // applied). Set before the window loads.
    void setInitialValues(const QVariantMap& values) { m_initialValues = values; }

    // The settings of the check boxes and, while zero padding is on, of the padding-length list; in
    // the basic edition only "verify copies".
    QVariantMap settingsValues() const;

    void zeroPaddingButtonClick();
    void okButtonClick();
    void cancelButtonClick();
    void closeButtonClick();

Q_SIGNALS:
    // The window closes: accepted with OK, holding the values it closed with.
    void finished(bool accepted, const QVariantMap& values);

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;
    void windowWillClose() override;

private:
    QScopedPointer<Ui::DetailConfigWindowController> m_ui;
    bool m_showAllItems = false;
    QVariantMap m_initialValues;
    bool m_accepted = false;
};
