#pragma once

#include <QString>
#include <sys/types.h>

namespace platform {

// Ends a command's process group when the launcher ends, however it ends (SIGKILL included), on
// every platform: a watchdog process joins the group and holds the read end of a pipe whose write
// end only the launcher holds. When the launcher is gone, the pipe reports end of file and the
// watchdog sends SIGTERM to its own group. Being a member, it keeps the group's id from being
// reused, so it can never signal a stranger's group.
class Lifeline
{
public:
    // Ties the group of `command`, which must lead its own group and not be reaped yet. Throws
    // the platform's error naming `executable` when the watchdog cannot be started.
    Lifeline(pid_t command, const QString &executable);
    // Ends the watchdog without a signal to the group, and reaps it.
    ~Lifeline();
    Lifeline(const Lifeline &) = delete;
    Lifeline &operator=(const Lifeline &) = delete;

    pid_t watchdog() const { return watchdog_; }

private:
    pid_t watchdog_ = -1;
    int writeEnd_ = -1;
};

} // namespace platform
