#include "platform/Logger.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

void writeLine(QtMsgType, const QMessageLogContext&, const QString& message)
{
    const QString program = QCoreApplication::instance()
                                ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                : QStringLiteral("trevasel");
    const QByteArray line = QStringLiteral("%1 %2[%3] %4\n")
                                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                                     program)
                                .arg(static_cast<qint64>(::getpid()))
                                .arg(message)
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
