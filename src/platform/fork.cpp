#include "platform/fork.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <pthread.h>
#include <unistd.h>
#ifdef __linux__
#include <dirent.h>
#elif defined(__APPLE__)
#include <libproc.h>
#include <vector>
#endif

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

void closeDescriptorsFrom(int first, int ceiling)
{
#ifdef __linux__
    if (::close_range(static_cast<unsigned>(first), ~0U, 0) == 0)
        return;
#endif
    for (int fd = first; fd < ceiling; ++fd)
        ::close(fd);
}

void markCloseOnExecFrom(int first, int ceiling)
{
#ifdef __linux__
    if (::close_range(static_cast<unsigned>(first), ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
#endif
    for (int fd = first; fd < ceiling; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

namespace {

int descriptorLimit()
{
    const long limit = ::sysconf(_SC_OPEN_MAX);
    return limit > 0 && limit < 1L << 30 ? static_cast<int>(limit) : ::getdtablesize();
}

// Another thread may open descriptors between the count and the fork. Each takes the lowest free
// number, so they land at most this many above the highest counted.
constexpr int openedMeanwhile = 64;

std::optional<int> highestOpenDescriptor()
{
#ifdef __linux__
    DIR *listing = ::opendir("/proc/self/fd");
    if (listing == nullptr)
        return std::nullopt;
    int highest = -1; // the listing's own descriptor is among them
    while (const dirent *entry = ::readdir(listing)) {
        int fd = -1;
        const char *end = entry->d_name + std::strlen(entry->d_name);
        const auto [last, error] = std::from_chars(entry->d_name, end, fd);
        if (error == std::errc() && last == end)
            highest = std::max(highest, fd);
    }
    ::closedir(listing);
    return highest;
#elif defined(__APPLE__)
    const int needed = ::proc_pidinfo(::getpid(), PROC_PIDLISTFDS, 0, nullptr, 0);
    if (needed <= 0)
        return std::nullopt;
    std::vector<proc_fdinfo> open(static_cast<std::size_t>(needed) / sizeof(proc_fdinfo) + openedMeanwhile);
    const int filled = ::proc_pidinfo(::getpid(), PROC_PIDLISTFDS, 0, open.data(),
                                      static_cast<int>(open.size() * sizeof(proc_fdinfo)));
    if (filled <= 0)
        return std::nullopt;
    int highest = -1;
    for (std::size_t i = 0; i < static_cast<std::size_t>(filled) / sizeof(proc_fdinfo); ++i)
        highest = std::max(highest, open[i].proc_fd);
    return highest;
#else
    return std::nullopt;
#endif
}

} // namespace

int descriptorCeiling()
{
    const int limit = descriptorLimit();
    const std::optional<int> highest = highestOpenDescriptor();
    if (!highest)
        return limit;
    return std::min(limit, *highest + 1 + openedMeanwhile);
}

} // namespace platform
