#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QStringList>
#include <QUrl>

namespace platform {

// What the system's proxy settings say for reaching `url`, in their order of preference (macOS:
// SystemConfiguration; Linux: libproxy, which reads the desktop's settings). A PAC file is the
// system's to fetch and run, so this can block for seconds: never call it on the main thread.
QList<QNetworkProxy> systemProxies(const QUrl &url);

// The hosts, domains and networks that the system's settings reach without a proxy, as the user
// wrote them; empty where none are set or the settings cannot be read.
QStringList systemProxyExceptions();

} // namespace platform
