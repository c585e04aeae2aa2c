#include "service/NGAnswerPoller.h"

#include "platform/FileSystem.h"
#include "platform/Logger.h"

#include <QFile>

namespace {
// The period when the setting holds no usable one.
constexpr double kDefaultIntervalSeconds = 10.0;
} // namespace

NGAnswerPoller::NGAnswerPoller(SettingsReader settings, AnswerHandler answer, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_answer(std::move(answer))
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

QString NGAnswerPoller::medicalRecordNumber(const QByteArray& name)
{
    return QFile::decodeName(name.chopped(3));
}

void NGAnswerPoller::timerNGFileCheck()
{
    const QString deliver = m_settings()->destinationFolderPath + QStringLiteral("/deliver");
    // The names stay the filesystem's bytes from the listing to the removal: a name that is not
    // valid text would otherwise be removed under another name, that is never, and would be
    // reported again at every look.
    for (const QByteArray& name : FileSystem::entryNameBytes(deliver, ".NG")) {
        if (!m_answer(deliver, name))
            return;
    }
}

bool NGAnswerPoller::logAnswer(const QString& deliver, const QByteArray& name)
{
    FileSystem::removeEntry(deliver, name);
    Logger::warning(QStringLiteral("the practice-management system rejected the delivery for the medical "
                                   "record number %1 (%2 answered \"NG\")")
                        .arg(medicalRecordNumber(name), deliver));
    return true;
}
