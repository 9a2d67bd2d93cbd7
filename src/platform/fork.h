#pragma once

#include <sys/types.h>

namespace platform {

// fork() with every signal blocked across it. The child starts with all signals still blocked,
// so none reaches one of our handlers (or is lost to an ignore) before it has set its own; it
// unblocks them itself. The parent gets its mask back, and errno from fork on failure.
pid_t forkWithSignalsBlocked();

// For a forked child, async-signal-safe: every descriptor from `first` up is closed, or marked
// close-on-exec, in one call where the kernel has it (5.9 and 5.11 on Linux; seccomp profiles
// may refuse it), else one by one below `ceiling`, which the parent reads before it forks.
void closeDescriptorsFrom(int first, int ceiling);
void markCloseOnExecFrom(int first, int ceiling);
// Above every descriptor open now, for `ceiling` above. Bounded by what is open rather than by
// the limit alone: a limit of "infinity" would cost the one-by-one loop a billion calls.
int descriptorCeiling();

} // namespace platform
