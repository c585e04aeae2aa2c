#include "tray/NGAnswerPoller.h"

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
    const QStringList names =
        QDir(deliver).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : names) {
        if (!name.endsWith(QLatin1String(".NG")))
            continue;
        const QString number = name.chopped(3);
        const bool open = windows.checkWindow(TrevaselWindowManager::NGFileCheckResult);
        auto* window = qobject_cast<NGFileCheckResultWindowController*>(
            windows.getWindowController(TrevaselWindowManager::NGFileCheckResult));
        if (!window)
            return;
        if (!open) {
            QFile::remove(deliver + QLatin1Char('/') + name);
            window->setMedicalRecordNumber(number);
            connect(window, &NGFileCheckResultWindowController::openFolderRequested, this,
                    [this](const QString& folder) { m_openFolder(folder); });
            window->showWindow();
            window->orderFront();
            return;
        }
        window->orderFront();
        if (window->medicalRecordNumber() == number) {
            QFile::remove(deliver + QLatin1Char('/') + name);
            return;
        }
    }
}
