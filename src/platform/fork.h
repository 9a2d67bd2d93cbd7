#pragma once

#include <sys/types.h>

namespace platform {

// fork() with every signal blocked across it. The child starts with all signals still blocked,
// so none reaches one of our handlers (or is lost to an ignore) before it has set its own; it
// unblocks them itself. The parent gets its mask back, and errno from fork on failure.
pid_t forkWithSignalsBlocked();

// For a forked child, async-signal-safe: every descriptor from `first` up is closed, or marked
// close-on-exec, whatever its number (another thread may have put one anywhere just before the
// fork). In one call where the kernel has it (close_range: Linux 5.9 and 5.11; seccomp profiles
// may refuse it), else one by one as the kernel lists the child's own (/proc on Linux, the process
// information call on macOS), so the cost follows what is open, not the limit; only without a
// listing, every number below the limit.
void closeDescriptorsFrom(int first);
void markCloseOnExecFrom(int first);

} // namespace platform
