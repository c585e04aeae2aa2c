#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QComboBox;
class TrevaselWindowManager;

// The controller of one window: it builds the window from the Designer layout named after its class
// on first use, fills in the texts, and reports the window's closing to the registry that handed it
// out.
//
// Controllers are always made with new. Closing the window ends the controller (deleteLater) and, when
// the registry handed it out, drops its registration, so the next request builds a fresh window.
class BaseWindowController : public QObject
{
    Q_OBJECT

public:
    BaseWindowController();
    // Frees every controller and window still alive; the program calls it before its application
    // object goes, so that windows open at the end are not left behind.
    static void deleteAll();
    ~BaseWindowController() override;

    // The window id in the registry; -1 for a controller that has none.
    virtual int getTrevaselWindow() const { return -1; }

    // The window, built and filled in on the first call.
    QWidget* window();
    bool isWindowLoaded() const { return m_window != nullptr; }
    // Builds the window when needed and puts it on screen.
    void showWindow();
    // Brings the window in front of other programs' windows.
    void orderFront();
    // Closes the window as its close box does.
    void close();

    // The registry that handed this controller out; nobody for one made directly.
    TrevaselWindowManager* trevaselWindowManager() const { return m_trevaselWindowManager; }
    void setTrevaselWindowManager(TrevaselWindowManager* manager) { m_trevaselWindowManager = manager; }

protected:
    // Builds the controls into window from the class's layout.
    virtual void loadLayout(QWidget* window) = 0;
    virtual void windowWillLoad() {}
    // Sets the texts from the string table; the data set before showWindow is shown from here on.
    virtual void windowDidLoad() {}
    // Subclasses that override this call the base.
    virtual void windowWillClose();

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Selects a list's entry from the settings: the stored index when the list has it, else the entry
    // reading the stored text, else the first, so that a damaged index never leaves the list empty.
    static void selectStoredEntry(QComboBox* list, int index, const QString& text);

private:
    void fitWindowToTexts();

    QPointer<QWidget> m_window;
    TrevaselWindowManager* m_trevaselWindowManager = nullptr;
    bool m_closing = false;
};
