#include "platform/lifeline.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/fork.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// The watchdog's whole life, in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void watch(pid_t group, int readEnd, int writeEnd)
{
    // The cancel and the terminal's signals are for the command; the watchdog must outlast them.
    struct sigaction action
    {};
    sigemptyset(&action.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        action.sa_handler = (signal == SIGTERM || signal == SIGINT || signal == SIGHUP) ? SIG_IGN : SIG_DFL;
        ::sigaction(signal, &action, nullptr);
    }
    if (::setpgid(0, group) != 0)
        ::_exit(1);
    // Holding the other end itself, it would never see end of file.
    ::close(writeEnd);
    // Nothing but the read end: neither the setup lock nor a log may be held beyond the launcher.
    if (readEnd != STDIN_FILENO && ::dup2(readEnd, STDIN_FILENO) != STDIN_FILENO)
        ::_exit(1);
    closeDescriptorsFrom(STDIN_FILENO + 1);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    char byte = 0;
    ssize_t n = 0;
    do {
        n = ::read(STDIN_FILENO, &byte, 1);
    } while (n < 0 && errno == EINTR);
    // Only end of file wakes it: the launcher ends a watchdog it no longer needs with SIGKILL.
    ::kill(0, SIGTERM);
    ::_exit(0);
}

void reap(pid_t pid)
{
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
}

} // namespace

Lifeline::Lifeline(pid_t command, const QString &executable)
{
    int ends[2];
    createPipe(ends, false, executable);
    const pid_t pid = forkWithSignalsBlocked();
    if (pid == 0)
        watch(command, ends[0], ends[1]);
    const int forkError = errno;
    ::close(ends[0]);
    if (pid < 0) {
        ::close(ends[1]);
        throw systemError("start", executable, forkError);
    }
    // Both sides join, so the watchdog is in the group by the time this returns.
    if (::setpgid(pid, command) != 0) {
        const int error = errno;
        ::kill(pid, SIGKILL);
        reap(pid);
        ::close(ends[1]);
        throw systemError("start", executable, error);
    }
    watchdog_ = pid;
    writeEnd_ = ends[1];
}

Lifeline::~Lifeline()
{
    // Killed before its pipe closes, so it never mistakes this for the launcher's end.
    ::kill(watchdog_, SIGKILL);
    reap(watchdog_);
    ::close(writeEnd_);
}

} // namespace platform
