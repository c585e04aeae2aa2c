#pragma once

#include "app/SettingsSnapshot.h"
#include "ui/BaseWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QScopedPointer>
#include <QVariantMap>

#include <functional>
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
//
// The full edition's DICOM section: the DICOM files beside the pictures and their sending to the
// practice's imaging server. OK (and Close, whose values are taken later) refuses values that could
// not work, saying in the window which field is wrong. "Test Connection" asks the server through the
// tester the program hands in, on a thread of its own: the window library itself links no DICOM code.
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

    // What asking the imaging server for an answer (a C-ECHO) came to.
    struct PeerTestAnswer
    {
        enum class Outcome { Answered, NoConnection, AssociationRefused, NoEchoAnswer };
        Outcome outcome = Outcome::NoConnection;
        QString detail; // the network layer's own words, English, e.g. "Connection refused"
    };
    // Runs on a thread of its own, with a copy of the fields' values; it must not touch the window and
    // should give up after a bounded time (quitting the program waits for it).
    using PeerTest = std::function<PeerTestAnswer(const DicomPeer& peer)>;
    // Set by the full program when the window is made; without one, "Test Connection" is hidden.
    void setPeerTest(PeerTest test);

    // Whether the values may be kept; if not, the window says why beside its buttons and the focus
    // goes to the field to correct.
    bool checkValues();

    void zeroPaddingButtonClick();
    void dicomButtonClick();
    void dicomFolderButtonClick();
    void dicomTestButtonClick();
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
    struct Refusal
    {
        QString message;
        QWidget* field = nullptr;
    };
    // The first value that cannot be kept, or no message.
    Refusal refusal() const;
    // The same for the imaging server's fields; the host only when asked.
    Refusal peerRefusal(bool withHost) const;
    DicomPeer peerInFields() const;
    void showMessage(const QString& message);
    void fitWindowHeight();
    void showPeerTestAnswer(const DicomPeer& peer, const PeerTestAnswer& answer);

    QScopedPointer<Ui::DetailConfigWindowController> m_ui;
    PeerTest m_peerTest;
    // The test under way; owned by the controller, gone with it, so an answer that comes late has
    // nobody to call.
    QPointer<QFutureWatcher<PeerTestAnswer>> m_peerTestWatcher;
    bool m_showAllItems = false;
    QVariantMap m_initialValues;
    bool m_accepted = false;
};
