#include "tray/NGAnswerPoller.h"

#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "ui/NGFileCheckResultWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QDir>
#include <QFile>

namespace {
// The period when the setting holds no usable one.
constexpr double kDefaultIntervalSeconds = 10.0;
} // namespace

NGAnswerPoller::NGAnswerPoller(SettingsReader settings, FolderOpener openFolder, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_openFolder(std::move(openFolder))
{
    connect(&m_timer, &QTimer::timeout, this, &NGAnswerPoller::timerNGFileCheck);
}

void NGAnswerPoller::start(const SettingsSnapshot& settings)
{
    m_timer.setInterval(static_cast<int>(ngFileCheckIntervalSeconds(settings) * 1000));
    m_timer.start();
}

double NGAnswerPoller::ngFileCheckIntervalSeconds(const SettingsSnapshot& settings)
{
    const double seconds = settings.checkNgFileIntervalTime;
    // Zero, negative or absurd periods (or text that is no number) would spin or never check.
    if (seconds >= 1.0 && seconds <= 86400.0)
        return seconds;
    Logger::info(
        QStringLiteral("\"check ng file interval time\" holds no usable period; checking every %1 seconds")
            .arg(kDefaultIntervalSeconds));
    return kDefaultIntervalSeconds;
}

void NGAnswerPoller::timerNGFileCheck()
{
    const QString deliver = m_settings()->destinationFolderPath + QStringLiteral("/deliver");
    TrevaselWindowManager& windows = TrevaselWindowManager::sharedInstance();
    // The names stay the filesystem's bytes from the listing to the removal: a name that is not
    // valid text would otherwise be removed under another name, that is never, and its window
    // would open again after every close.
    for (const QByteArray& name : FileSystem::entryNameBytes(deliver, ".NG")) {
        const bool open = windows.checkWindow(TrevaselWindowManager::NGFileCheckResult);
        auto* window = qobject_cast<NGFileCheckResultWindowController*>(
            windows.getWindowController(TrevaselWindowManager::NGFileCheckResult));
        if (!window)
            return;
        if (!open) {
            FileSystem::removeEntry(deliver, name);
            m_shownAnswer = name;
            window->setMedicalRecordNumber(QFile::decodeName(name.chopped(3)));
            connect(window, &NGFileCheckResultWindowController::openFolderRequested, this,
                    [this](const QString& folder) { m_openFolder(folder); });
            window->showWindow();
            window->orderFront();
            return;
        }
        window->orderFront();
        if (name == m_shownAnswer) {
            FileSystem::removeEntry(deliver, name);
            return;
        }
    }
}
