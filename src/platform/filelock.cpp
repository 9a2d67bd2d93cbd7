#include "platform/filelock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int openLockFile(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

bool tryLockExclusive(int fd)
{
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

int openSharedLock(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return -1;
    int result;
    do {
        result = ::flock(fd, LOCK_SH | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    // Whoever retires the file locks it exclusively before moving it away, so a lock taken on a
    // file that is still at its path stays there for as long as it is held.
    struct stat held
    {};
    struct stat named
    {};
    if (result == 0
        && (::fstat(fd, &held) != 0 || ::lstat(encoded.constData(), &named) != 0 || held.st_dev != named.st_dev
            || held.st_ino != named.st_ino)) {
        result = -1;
        errno = ENOENT;
    }
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

void unlockAndClose(int fd)
{
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

} // namespace platform
