#include "platform/errors.h"

namespace platform {

std::system_error systemError(const char *operation, const QString &path, int error)
{
    const QString what = QStringLiteral("Could not %1 “%2”").arg(QLatin1String(operation), path);
    return std::system_error(error, std::generic_category(), what.toStdString());
}

QString errorText(const std::exception &error)
{
    return QString::fromUtf8(error.what());
}

} // namespace platform
