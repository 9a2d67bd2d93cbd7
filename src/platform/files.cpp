#include "platform/files.h"

#include "platform/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {
QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// The regular file at `path`, opened without blocking, with what fstat says of the open descriptor.
FileHandle openRegularFile(const QString &path, struct stat &info)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw systemError("read", path, errno);
    FileHandle file(fd);
    if (::fstat(fd, &info) != 0)
        throw systemError("read", path, errno);
    if (!S_ISREG(info.st_mode))
        throw systemError("read", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    return file;
}
} // namespace

FileHandle &FileHandle::operator=(FileHandle &&other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

int FileHandle::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void FileHandle::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

FileHandle openForReading(const QString &path)
{
    struct stat info
    {};
    return openRegularFile(path, info);
}

FileHandle openForWriting(const QString &path, bool truncate)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    const int fd = ::open(encoded(path).constData(), flags, 0644);
    if (fd < 0)
        throw systemError("open", path, errno);
    return FileHandle(fd);
}

std::size_t readSome(const FileHandle &file, char *buffer, std::size_t size, const QString &path)
{
    for (;;) {
        const ssize_t n = ::read(file.fd(), buffer, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            throw systemError("read", path, errno);
    }
}

void writeAllQuietly(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    auto left = static_cast<std::size_t>(bytes.size());
    while (fd >= 0 && left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
}

QByteArray readWholeFile(const QString &path)
{
    struct stat info
    {};
    const FileHandle file = openRegularFile(path, info);
    if (info.st_size > wholeFileLimit)
        throw systemError("read", path, EFBIG);
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(info.st_size));
    char buffer[65536];
    while (const std::size_t n = readSome(file, buffer, sizeof buffer, path)) {
        // The file may still grow after the check.
        if (bytes.size() + static_cast<qsizetype>(n) > wholeFileLimit)
            throw systemError("read", path, EFBIG);
        bytes.append(buffer, static_cast<qsizetype>(n));
    }
    return bytes;
}

QByteArray readTailQuietly(const QString &path, qint64 limit)
{
    try {
        struct stat info
        {};
        const FileHandle file = openRegularFile(path, info);
        const off_t start = std::max<off_t>(0, info.st_size - limit);
        if (::lseek(file.fd(), start, SEEK_SET) != start)
            return {};
        QByteArray bytes(static_cast<qsizetype>(info.st_size - start), Qt::Uninitialized);
        qsizetype filled = 0;
        while (filled < bytes.size()) {
            const std::size_t n =
                readSome(file, bytes.data() + filled, static_cast<std::size_t>(bytes.size() - filled), path);
            if (n == 0)
                break;
            filled += static_cast<qsizetype>(n);
        }
        bytes.truncate(filled);
        return bytes;
    } catch (const std::exception &) {
        return {};
    }
}

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit();
    if (!written) {
        const QString what = QStringLiteral("Could not write “%1”: %2").arg(path, file.errorString());
        throw std::runtime_error(what.toStdString());
    }
}

void createEmptyFile(const QString &path)
{
    openForWriting(path, true);
}

namespace {
void makeFolders(const QString &path, mode_t lastMode)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    qsizetype from = 1;
    for (;;) {
        const qsizetype slash = absolute.indexOf(QLatin1Char('/'), from);
        const QString prefix = slash < 0 ? absolute : absolute.left(slash);
        const mode_t mode = slash < 0 ? lastMode : 0755;
        if (!prefix.isEmpty() && ::mkdir(encoded(prefix).constData(), mode) != 0 && errno != EEXIST)
            throw systemError("create the folder", prefix, errno);
        if (slash < 0)
            break;
        from = slash + 1;
    }
    struct stat info
    {};
    if (::stat(encoded(absolute).constData(), &info) != 0)
        throw systemError("create the folder", absolute, errno);
    if (!S_ISDIR(info.st_mode))
        throw systemError("create the folder", absolute, ENOTDIR);
}
} // namespace

void createDirectories(const QString &path)
{
    makeFolders(path, 0755);
}

void createPrivateDirectories(const QString &path)
{
    makeFolders(path, 0700);
    // One made by an earlier version, or by hand, may be open to others: closed if it is ours.
    // Through the open folder itself, so a link or a folder swapped in meanwhile is left alone.
    const FileHandle folder(::open(encoded(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info
    {};
    if (folder.isOpen() && ::fstat(folder.fd(), &info) == 0 && info.st_uid == ::getuid() && (info.st_mode & 077) != 0)
        (void)::fchmod(folder.fd(), 0700);
}

void requireDirectory(const QString &path)
{
    struct stat info
    {};
    if (::stat(encoded(path).constData(), &info) != 0)
        throw systemError("open the folder", path, errno);
    if (!S_ISDIR(info.st_mode))
        throw systemError("open the folder", path, ENOTDIR);
}

void createPipe(int (&ends)[2], bool nonBlocking, const QString &purpose)
{
#ifdef __linux__
    if (::pipe2(ends, O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0)) != 0)
        throw systemError("create a pipe for", purpose, errno);
#else
    // No pipe2 on Apple. Every child is spawned with all but its standard streams closed, so the
    // moment between pipe and fcntl cannot leak an end into a command.
    if (::pipe(ends) != 0)
        throw systemError("create a pipe for", purpose, errno);
    for (const int fd : ends) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || flags < 0
            || (nonBlocking && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)) {
            const int error = errno;
            ::close(ends[0]);
            ::close(ends[1]);
            throw systemError("create a pipe for", purpose, error);
        }
    }
#endif
}

void removeFileQuietly(const QString &path)
{
    ::unlink(encoded(path).constData());
}

void removeFolderQuietly(const QString &folder, const QString &trash)
{
    const bool moved = ::rename(encoded(folder).constData(), encoded(trash).constData()) == 0;
    QDir(moved ? trash : folder).removeRecursively();
}

void createSymbolicLink(const QString &target, const QString &link)
{
    if (::symlink(encoded(target).constData(), encoded(link).constData()) != 0)
        throw systemError("create the link", link, errno);
}

namespace {
// Chunk by chunk, so that a reader watching `target` grow sees progress; stops early, leaving
// what was copied, when `keepGoing` says no.
void copyContents(const QString &source, const QString &target, int flags, const std::function<bool()> &keepGoing)
{
    FileHandle in = openForReading(source);
    const int fd = ::open(encoded(target).constData(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throw systemError("copy to", target, errno);
    FileHandle out(fd);
    std::vector<char> buffer(std::size_t(1) << 20);
    while (keepGoing()) {
        const std::size_t n = readSome(in, buffer.data(), buffer.size(), source);
        if (n == 0)
            return;
        const char *data = buffer.data();
        std::size_t left = n;
        while (left > 0) {
            const ssize_t written = ::write(out.fd(), data, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw systemError("copy to", target, written < 0 ? errno : EIO);
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
}
} // namespace

void copyFileExclusive(const QString &source, const QString &target)
{
    copyContents(source, target, O_EXCL, [] { return true; });
}

void copyFile(const QString &source, const QString &target, const std::function<bool()> &keepGoing)
{
    copyContents(source, target, O_TRUNC, keepGoing);
}

std::optional<qint64> fileSize(const QString &path)
{
    struct stat info
    {};
    if (::stat(encoded(path).constData(), &info) != 0)
        return std::nullopt;
    return static_cast<qint64>(info.st_size);
}

void requireAttributes(const QString &path)
{
    struct stat info
    {};
    if (::stat(encoded(path).constData(), &info) != 0)
        throw systemError("read the attributes of", path, errno);
}

bool fileExists(const QString &path)
{
    struct stat info
    {};
    return ::stat(encoded(path).constData(), &info) == 0;
}

bool isDirectory(const QString &path)
{
    struct stat info
    {};
    return ::stat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isExecutableFile(const QString &path)
{
    struct stat info
    {};
    const QByteArray name = encoded(path);
    return ::stat(name.constData(), &info) == 0 && !S_ISDIR(info.st_mode) && ::access(name.constData(), X_OK) == 0;
}

} // namespace platform
