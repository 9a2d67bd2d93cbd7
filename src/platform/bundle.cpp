#include "platform/bundle.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString executablePath()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
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
