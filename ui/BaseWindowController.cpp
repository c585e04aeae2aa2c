#include "ui/BaseWindowController.h"

#include "ui/TrevaselWindowManager.h"

#include <QEvent>

BaseWindowController::BaseWindowController() = default;

BaseWindowController::~BaseWindowController()
{
    delete m_window;
}

QWidget* BaseWindowController::window()
{
    if (!m_window) {
        windowWillLoad();
        m_window = new QWidget(nullptr, Qt::Dialog);
        m_window->setObjectName(metaObject()->className());
        loadLayout(m_window);
        m_window->installEventFilter(this);
        windowDidLoad();
        // The texts are in by now, so the layout can settle the window's size for them.
        m_window->adjustSize();
    }
    return m_window;
}

void BaseWindowController::showWindow()
{
    window()->show();
}

void BaseWindowController::orderFront()
{
    window()->raise();
    window()->activateWindow();
}

void BaseWindowController::close()
{
    if (m_window)
        m_window->close();
}

void BaseWindowController::windowWillClose()
{
    if (m_trevaselWindowManager)
        m_trevaselWindowManager->removeWindow(getTrevaselWindow());
    deleteLater();
}

bool BaseWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close && !m_closing) {
        m_closing = true;
        windowWillClose();
    }
    return QObject::eventFilter(watched, event);
}
