#pragma once

#include "platform/files.h"

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
// Makes the new folder `folder` and at once takes a shared lock on the file `lockName` inside it
// (created 0600, close-on-exec), so that whoever retires folders, who locks that file exclusively
// first, leaves it alone for as long as the handle lives. Throws the platform's error, also when
// a retirer took the folder in the moment between the two.
FileHandle createLockedFolder(const QString &folder, const QString &lockName);

} // namespace platform
