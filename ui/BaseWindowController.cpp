#include "ui/BaseWindowController.h"

#include "ui/TrevaselWindowManager.h"

#include <QComboBox>
#include <QEvent>
#include <QLayout>
#include <QPushButton>
#include <QSet>

#include <algorithm>

namespace {
// Every controller alive, so that the program can free the windows still open when it ends.
QSet<BaseWindowController*>& liveControllers()
{
    static QSet<BaseWindowController*> controllers;
    return controllers;
}
} // namespace

BaseWindowController::BaseWindowController()
{
    liveControllers().insert(this);
}

void BaseWindowController::deleteAll()
{
    // One at a time: a controller may take others with it (the settings window its detail window).
    while (!liveControllers().isEmpty())
        delete *liveControllers().begin();
}

BaseWindowController::~BaseWindowController()
{
    liveControllers().remove(this);
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
        fitWindowToTexts();
    }
    return m_window;
}

void BaseWindowController::fitWindowToTexts()
{
    m_window->ensurePolished();
    // Translated button titles differ in length: each button keeps room around its title.
    for (QPushButton* button : m_window->findChildren<QPushButton*>())
        button->setMinimumWidth(std::max(button->minimumWidth(), button->sizeHint().width() + 24));
    QLayout* layout = m_window->layout();
    if (!layout) {
        m_window->adjustSize();
        return;
    }
    layout->activate();
    // Wrapped labels need the height for the width the window really gets, not for their own hint.
    const int width = std::max(m_window->minimumWidth(), layout->sizeHint().width());
    const int height =
        layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->sizeHint().height();
    m_window->resize(width, std::max(height, layout->minimumSize().height()));
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

void BaseWindowController::selectStoredEntry(QComboBox* list, int index, const QString& text)
{
    if (index < 0 || index >= list->count())
        index = std::max(list->findText(text), 0);
    list->setCurrentIndex(index);
}
