#include "tray/NGAnswerWindow.h"

#include "platform/FileSystem.h"
#include "ui/NGFileCheckResultWindowController.h"
#include "ui/TrevaselWindowManager.h"

NGAnswerWindow::NGAnswerWindow(NGAnswerPoller::SettingsReader settings, FolderOpener openFolder,
                               QObject* parent)
    : QObject(parent), m_openFolder(std::move(openFolder)),
      m_poller(std::move(settings),
               [this](const QString& deliver, const QByteArray& name) { return answerFound(deliver, name); })
{
}

bool NGAnswerWindow::answerFound(const QString& deliver, const QByteArray& name)
{
    TrevaselWindowManager& windows = TrevaselWindowManager::sharedInstance();
    const bool open = windows.checkWindow(TrevaselWindowManager::NGFileCheckResult);
    auto* window = qobject_cast<NGFileCheckResultWindowController*>(
        windows.getWindowController(TrevaselWindowManager::NGFileCheckResult));
    if (!window)
        return false;
    if (!open) {
        FileSystem::removeEntry(deliver, name);
        m_shownAnswer = name;
        window->setMedicalRecordNumber(NGAnswerPoller::medicalRecordNumber(name));
        connect(window, &NGFileCheckResultWindowController::openFolderRequested, this,
                [this](const QString& folder) { m_openFolder(folder); });
        window->showWindow();
        window->orderFront();
        return false;
    }
    window->orderFront();
    if (name == m_shownAnswer) {
        FileSystem::removeEntry(deliver, name);
        return false;
    }
    return true;
}
