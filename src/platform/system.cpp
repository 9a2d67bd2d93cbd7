#include "platform/system.h"

#include <QFile>

#include <limits>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

qint64 physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<qint64>(pages) * static_cast<qint64>(pageSize);
}

std::optional<qint64> freeSpace(const QString &path)
{
    struct statvfs info
    {};
    if (::statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    const unsigned long long bytes = static_cast<unsigned long long>(info.f_bavail) * info.f_frsize;
    if (bytes > static_cast<unsigned long long>(std::numeric_limits<qint64>::max()))
        return std::numeric_limits<qint64>::max();
    return static_cast<qint64>(bytes);
}

} // namespace platform
