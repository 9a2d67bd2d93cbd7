#include "platform/fork.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
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

void closeDescriptorsFrom(int first, int limit)
{
#ifdef __linux__
    if (::close_range(static_cast<unsigned>(first), ~0U, 0) == 0)
        return;
#endif
    for (int fd = first; fd < limit; ++fd)
        ::close(fd);
}

void markCloseOnExecFrom(int first, int limit)
{
#ifdef __linux__
    if (::close_range(static_cast<unsigned>(first), ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
#endif
    for (int fd = first; fd < limit; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

int descriptorLimit()
{
    const long limit = ::sysconf(_SC_OPEN_MAX);
    return limit > 0 && limit < 1L << 30 ? static_cast<int>(limit) : ::getdtablesize();
}

} // namespace platform
