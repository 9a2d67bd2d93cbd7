#include "platform/bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#include <vector>
#endif

namespace platform {

QString executablePath()
{
#ifdef __linux__
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
#elif defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> path(size + 1, '\0');
    if (_NSGetExecutablePath(path.data(), &size) != 0)
        return QString();
    return QFileInfo(QFile::decodeName(path.data())).canonicalFilePath();
#else
    return QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
#endif
}

QString bundleResources(const QString &executable)
{
    return QDir::cleanPath(QFileInfo(executable).absolutePath() + QStringLiteral("/../Resources"));
}

QString bundleInfoPlist(const QString &executable)
{
    return QDir::cleanPath(QFileInfo(executable).absolutePath() + QStringLiteral("/../Info.plist"));
}

QString bundlePath(const QString &executable)
{
    return QDir::cleanPath(QFileInfo(executable).absolutePath() + QStringLiteral("/../.."));
}

QString applicationSupportBase()
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    return locations.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : locations.first();
}

} // namespace platform
