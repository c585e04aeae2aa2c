#include "platform/Logger.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// "program[pid]", made once: a transfer writes a dozen lines per picture.
const QString& programAndProcess()
{
    static const QString text =
        QStringLiteral("%1[%2]")
            .arg(QCoreApplication::instance() ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                              : QStringLiteral("trevasel"))
            .arg(static_cast<qint64>(::getpid()));
    return text;
}

// "yyyy-MM-dd HH:mm:ss.zzz" in local time. The text up to the second is made once per second and
// thread: a transfer writes a dozen lines per picture, and a full date conversion per line (with its
// look at the time-zone file) cost more than the write itself.
QByteArray timestamp()
{
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    thread_local time_t second = -1;
    thread_local char upToSecond[32] = {};
    if (now.tv_sec != second) {
        struct tm local;
        ::localtime_r(&now.tv_sec, &local);
        if (std::strftime(upToSecond, sizeof upToSecond, "%Y-%m-%d %H:%M:%S", &local) == 0)
            upToSecond[0] = '\0';
        second = now.tv_sec;
    }
    char text[48];
    const int length = std::snprintf(text, sizeof text, "%s.%03ld", upToSecond, now.tv_nsec / 1000000L);
    return QByteArray(text, std::clamp(length, 0, static_cast<int>(sizeof text) - 1));
}

} // namespace

// Texts from pictures (patient names, dates) may hold line breaks and other control characters:
// written as escapes, they can neither split a line nor forge one.
QString Logger::oneLine(const QString& message)
{
    const auto isControl = [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7f || c.unicode() == 0x2028 || c.unicode() == 0x2029;
    };
    if (std::none_of(message.begin(), message.end(), isControl))
        return message;
    QString line;
    line.reserve(message.size() + 8);
    for (const QChar c : message)
        line += isControl(c) ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
    return line;
}

namespace {

void writeLine(QtMsgType, const QMessageLogContext&, const QString& message)
{
    const QByteArray line = timestamp() + ' ' +
                            (programAndProcess() + QLatin1Char(' ') + Logger::oneLine(message)).toUtf8() +
                            '\n';
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

void warning(const QString& message)
{
    qWarning().noquote() << QStringLiteral("[warning]: ") + message;
}

void plain(const QString& message)
{
    qInfo().noquote() << message;
}

} // namespace Logger
