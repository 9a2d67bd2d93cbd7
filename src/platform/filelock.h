#pragma once

#include <QString>

namespace platform {

// Opens (creating with mode 0600) a lock file for reading and writing, close-on-exec.
// Returns the descriptor, or -1 when it cannot be opened.
int openLockFile(const QString &path);
// Exclusive advisory lock without waiting. On failure errno says why (EWOULDBLOCK: held elsewhere).
bool tryLockExclusive(int fd);
void unlockAndClose(int fd);
// Opens an existing file read-only, close-on-exec, and takes a shared advisory lock on it
// without waiting. Returns the descriptor, or -1 (errno says why: EWOULDBLOCK when someone holds
// it exclusively).
int openSharedLock(const QString &path);

} // namespace platform
