#include "platform/filelock.h"

#include "platform/errors.h"

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

namespace {

// A shared lock without waiting, kept only while the file is still at `path`: whoever retires the
// file locks it exclusively before moving it away, so a lock taken on a file that is still there
// stays there for as long as it is held. On failure errno says why.
bool lockSharedInPlace(int fd, const QByteArray &path)
{
    int result;
    do {
        result = ::flock(fd, LOCK_SH | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    struct stat held
    {};
    struct stat named
    {};
    if (result == 0
        && (::fstat(fd, &held) != 0 || ::lstat(path.constData(), &named) != 0 || held.st_dev != named.st_dev
            || held.st_ino != named.st_ino)) {
        result = -1;
        errno = ENOENT;
    }
    return result == 0;
}

} // namespace

int openSharedLock(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return -1;
    if (!lockSharedInPlace(fd, encoded)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

FileHandle createLockedFolder(const QString &folder, const QString &lockName)
{
    if (::mkdir(QFile::encodeName(folder).constData(), 0755) != 0)
        throw systemError("create the folder", folder, errno);
    const QString path = folder + QLatin1Char('/') + lockName;
    const QByteArray encoded = QFile::encodeName(path);
    FileHandle lock(::open(encoded.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock.isOpen() || !lockSharedInPlace(lock.fd(), encoded))
        throw systemError("lock", path, errno);
    return lock;
}

void unlockAndClose(int fd)
{
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

} // namespace platform
