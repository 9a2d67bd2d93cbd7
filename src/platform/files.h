#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <functional>
#include <optional>

namespace platform {

// An owned descriptor, always opened close-on-exec.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(int descriptor) : fd_(descriptor) {}
    FileHandle(FileHandle &&other) noexcept : fd_(other.release()) {}
    FileHandle &operator=(FileHandle &&other) noexcept;
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    ~FileHandle() { close(); }

    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    int release();
    void close(); // errors on close are of no use to anyone here

private:
    int fd_ = -1;
};

// Opens a regular file only, without blocking, and checks the open descriptor: a named pipe, a
// device or a folder is refused with the platform's error rather than hanging a reader.
FileHandle openForReading(const QString &path);                // throws std::system_error
FileHandle openForWriting(const QString &path, bool truncate); // creates 0644; throws
// Reads up to `size` bytes, retrying on EINTR; 0 at end of file; throws with `path` in the text.
std::size_t readSome(const FileHandle &file, char *buffer, std::size_t size, const QString &path);
// Best effort: the callers that use it ignore failures by design.
void writeAllQuietly(int fd, const QByteArray &bytes);

// The largest file read whole; anything bigger is refused, so a stray file cannot bloat the launcher.
inline constexpr qint64 wholeFileLimit = qint64(16) << 20;
QByteArray readWholeFile(const QString &path); // a regular file of at most wholeFileLimit; throws
// The last `limit` bytes of a regular file, or all of a smaller one; empty when it cannot be read.
QByteArray readTailQuietly(const QString &path, qint64 limit);
// Replaces `path` whole through a temporary file in the same directory; throws on failure.
void writeFileAtomically(const QString &path, const QByteArray &bytes);
void createEmptyFile(const QString &path);   // truncates; throws
void createDirectories(const QString &path); // like mkdir -p; throws
// The same, but the last folder is the user's alone (0700): when made here, and when it is ours
// but open to others.
void createPrivateDirectories(const QString &path);
void requireDirectory(const QString &path); // throws unless `path` is an existing folder
// Both ends close-on-exec (and non-blocking if asked); throws the platform's error naming `purpose`.
void createPipe(int (&ends)[2], bool nonBlocking, const QString &purpose);
void removeFileQuietly(const QString &path);
// Renames `folder` to `trash` (so a removal cut short leaves nothing that looks whole), then
// removes it with everything inside, links not followed; what cannot be removed stays.
void removeFolderQuietly(const QString &folder, const QString &trash);
void createSymbolicLink(const QString &target, const QString &link);  // throws
void copyFileExclusive(const QString &source, const QString &target); // fails if target exists; throws
// Replaces `target` with a copy of `source`, in chunks; stops as soon as `keepGoing` says no. Throws.
void copyFile(const QString &source, const QString &target, const std::function<bool()> &keepGoing);

std::optional<qint64> fileSize(const QString &path); // none when its attributes cannot be read
void requireAttributes(const QString &path);         // throws when stat fails
bool fileExists(const QString &path);
bool isDirectory(const QString &path);
bool isExecutableFile(const QString &path); // exists, not a directory, executable by us

} // namespace platform
