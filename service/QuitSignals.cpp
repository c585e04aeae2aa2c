#include "service/QuitSignals.h"

#include "platform/Logger.h"
#include "transfer/TransferJob.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int quitPipe[2] = {-1, -1};

extern "C" void onQuitSignal(int)
{
    TransferJob::requestStop();
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(quitPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Logger::info(QStringLiteral("no pipe for the quit signals; SIGTERM ends the program at once"));
        return;
    }
    m_notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(quitPipe[0], bytes, sizeof bytes) > 0) {
        }
        Logger::info(QStringLiteral("quitting on a signal"));
        Q_EMIT quitRequested();
    });
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
}
