#include "platform/fork.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#ifdef __linux__
#include <dirent.h>
#include <sys/syscall.h>
#elif defined(__APPLE__)
#include <libproc.h>
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

// Everything below runs in a forked child, which has one thread: nothing opens a descriptor while
// it lists its own, so the listing is whole. Async-signal-safe calls only, no allocation.
namespace {

void closeDescriptor(int fd)
{
    ::close(fd);
}

void markDescriptor(int fd)
{
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Every number up to the soft limit: where the open descriptors cannot be listed.
void forEachUpToLimit(int first, void (*act)(int))
{
    rlimit limit{};
    const rlim_t end = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    const int last = end < static_cast<rlim_t>(INT_MAX) ? static_cast<int>(end) : INT_MAX;
    for (int fd = first; fd < last; ++fd)
        act(fd);
}

#ifdef __linux__
// `act` on every open descriptor from `first` up, as /proc lists them through the raw system call
// (readdir may allocate). False when /proc cannot be read. Descriptors closed meanwhile do not
// disturb the listing, which runs in the order of their numbers.
bool forEachListed(int first, void (*act)(int))
{
    const int listing = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return false;
    alignas(dirent64) char buffer[4096];
    long filled = 0;
    while ((filled = ::syscall(SYS_getdents64, listing, buffer, sizeof buffer)) > 0) {
        for (long offset = 0; offset < filled;) {
            const auto *entry = reinterpret_cast<const dirent64 *>(buffer + offset);
            offset += entry->d_reclen;
            long fd = 0;
            const char *digit = entry->d_name;
            for (; *digit >= '0' && *digit <= '9' && fd <= INT_MAX; ++digit)
                fd = fd * 10 + (*digit - '0');
            if (*digit == '\0' && digit != entry->d_name && fd >= first && fd != listing)
                act(static_cast<int>(fd));
        }
    }
    ::close(listing);
    return filled == 0;
}
#elif defined(__APPLE__)
// Closes every open descriptor from `first` up. The kernel lists the lowest first, as many as the
// buffer holds; what is closed drops out, so listing again reaches the rest. False when the
// kernel gives no list.
bool closeListed(int first)
{
    proc_fdinfo listed[256];
    for (;;) {
        const int bytes = ::proc_pidinfo(::getpid(), PROC_PIDLISTFDS, 0, listed, static_cast<int>(sizeof listed));
        if (bytes <= 0)
            return false;
        bool closed = false;
        for (int i = 0; i < bytes / static_cast<int>(sizeof(proc_fdinfo)); ++i) {
            if (listed[i].proc_fd >= first) {
                ::close(listed[i].proc_fd);
                closed = true;
            }
        }
        if (!closed)
            return true;
    }
}
#endif

} // namespace

void closeDescriptorsFrom(int first)
{
#ifdef __linux__
    if (::close_range(static_cast<unsigned>(first), ~0U, 0) == 0 || forEachListed(first, closeDescriptor))
        return;
#elif defined(__APPLE__)
    if (closeListed(first))
        return;
#endif
    forEachUpToLimit(first, closeDescriptor);
}

void markCloseOnExecFrom(int first)
{
#ifdef __linux__
    if (::close_range(static_cast<unsigned>(first), ~0U, CLOSE_RANGE_CLOEXEC) == 0
        || forEachListed(first, markDescriptor))
        return;
#endif
    forEachUpToLimit(first, markDescriptor);
}

} // namespace platform
