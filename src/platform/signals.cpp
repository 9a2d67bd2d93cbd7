#include "platform/signals.h"

#include "platform/files.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace platform {

namespace {
int signalPipe[2] = {-1, -1};

void forwardSignal(int signal)
{
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    (void)!::write(signalPipe[1], &byte, 1);
    errno = saved;
}
} // namespace

void onTerminationSignals(QObject *context, std::function<void()> handler)
{
    if (signalPipe[0] < 0) {
        try {
            createPipe(signalPipe, true, QStringLiteral("termination signals"));
        } catch (const std::exception &) {
            return; // the signals keep their default, which ends the launcher anyway
        }
    }
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler = std::move(handler)] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {}
        handler();
    });
    struct sigaction action
    {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace platform
