#include "platform/settings.h"

#include <QSettings>

namespace platform {

namespace {

#ifdef __APPLE__
// Qt makes the domain from the organisation, reversed, and the application: com.vellmora.launcher.
const QString organisation = QStringLiteral("vellmora.com");
const QString group; // defaults keys sit at the top of their domain
#else
const QString organisation = QStringLiteral("vellmora");
const QString group = QStringLiteral("downloads/");
#endif
const QString application = QStringLiteral("launcher");

QStringList entries(const QSettings &user, const QSettings &system, const QString &key)
{
    const QString name = group + key;
    const QSettings &holder = user.contains(name) ? user : system;
    // A plist array or a comma-separated INI value is a list; a single entry is a string.
    QStringList list;
    for (const QString &entry : holder.value(name).toStringList()) {
        if (!entry.trimmed().isEmpty())
            list << entry.trimmed();
    }
    return list;
}

} // namespace

DownloadSettings downloadSettings()
{
    // Two scopes and no fallbacks of Qt's, which would also read organisation-wide files.
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, organisation, application);
    QSettings system(QSettings::NativeFormat, QSettings::SystemScope, organisation, application);
    user.setFallbacksEnabled(false);
    system.setFallbacksEnabled(false);
    return {entries(user, system, runtimeMirrorsKey), entries(user, system, engineIndexesKey)};
}

} // namespace platform
