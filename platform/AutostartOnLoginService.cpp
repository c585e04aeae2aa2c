#include "platform/AutostartOnLoginService.h"

#include "platform/Logger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

AutostartOnLoginService::AutostartOnLoginService(QString name, QString program)
    : m_name(std::move(name)), m_program(std::move(program))
{
}

QString AutostartOnLoginService::entryFilePath() const
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("autostart/") + m_name + QStringLiteral(".desktop"));
}

QString AutostartOnLoginService::execValue(const QString& program)
{
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    return quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}

QByteArray AutostartOnLoginService::entry() const
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Exec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(m_name, execValue(m_program))
        .toUtf8();
}

bool AutostartOnLoginService::enableLoginItem() const
{
    // A line break in the name or path would end the key and start another.
    for (const QString& text : {m_name, m_program}) {
        if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.isEmpty()) {
            Logger::info(QStringLiteral(
                "login item not written: the program's name or path cannot be written in an entry"));
            return false;
        }
    }
    const QString path = entryFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry()) < 0 || !file.commit()) {
        Logger::info(QStringLiteral("login item not written: %1").arg(path));
        return false;
    }
    return true;
}

bool AutostartOnLoginService::disableLoginItem() const
{
    const QString path = entryFilePath();
    return !QFileInfo::exists(path) || QFile::remove(path);
}

bool AutostartOnLoginService::isLoginItemEnabled() const
{
    return QFileInfo(entryFilePath()).isFile();
}
