#include "platform/inherited.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

void restoreDefaultChildSignal()
{
    struct sigaction standard
    {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(SIGCHLD, &standard, nullptr);
}

void fillClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        // An open takes the lowest free number, which is `fd`: the ones below it are open by now.
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            (void)::open("/dev/null", O_RDWR);
    }
}

} // namespace platform
