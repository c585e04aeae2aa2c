#include "platform/Logger.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

// "program[pid]", made once: a transfer writes a dozen lines per picture.
const QString& programAndProcess()
{
    static const QString text = QStringLiteral("%1[%2]")
                                    .arg(QCoreApplication::instance()
                                             ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                             : QStringLiteral("trevasel"))
                                    .arg(static_cast<qint64>(::getpid()));
    return text;
}

void writeLine(QtMsgType, const QMessageLogContext&, const QString& message)
{
    const QByteArray line = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
                             QLatin1Char(' ') + programAndProcess() + QLatin1Char(' ') + message + QLatin1Char('\n'))
                                .toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

namespace Logger {

void install()
{
    qInstallMessageHandler(writeLine);
}

void info(const QString& message)
{
    qInfo().noquote() << QStringLiteral("[info]: ") + message;
}

void debug(const QString& message)
{
    qInfo().noquote() << QStringLiteral("[debug]: ") + message;
}

void plain(const QString& message)
{
    qInfo().noquote() << message;
}

} // namespace Logger
