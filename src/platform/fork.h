#pragma once

#include <sys/types.h>

namespace platform {

// fork() with every signal blocked across it. The child starts with all signals still blocked,
// so none reaches one of our handlers (or is lost to an ignore) before it has set its own; it
// unblocks them itself. The parent gets its mask back, and errno from fork on failure.
pid_t forkWithSignalsBlocked();

} // namespace platform
