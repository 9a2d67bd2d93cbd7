#include "platform/fork.h"

#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <unistd.h>

namespace platform {

pid_t forkWithSignalsBlocked()
{
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t pid = ::fork();
    if (pid == 0)
        return 0;
    const int error = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return pid;
}

} // namespace platform
