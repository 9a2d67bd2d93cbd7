#pragma once

#include <QString>
#include <QStringList>

namespace platform {

inline const QString runtimeMirrorsKey = QStringLiteral("runtime-mirrors");
inline const QString engineIndexesKey = QStringLiteral("engine-indexes");

// Where downloads may come from besides the manifest's own URL, as the user or an administrator
// wrote it: each list in its order, entries trimmed, empty ones dropped.
struct DownloadSettings
{
    QStringList runtimeMirrors;
    QStringList engineIndexes;
};

// Key by key, the user's value wins over the one for every user. On macOS: the defaults domain
// com.vellmora.launcher, the user's, then the machine-wide one. Here: group [downloads] of
// $XDG_CONFIG_HOME/vellmora/launcher.conf, then of vellmora/launcher.conf in the first folder of
// $XDG_CONFIG_DIRS (/etc/xdg when unset), as Qt finds the system folder.
DownloadSettings downloadSettings();

} // namespace platform
