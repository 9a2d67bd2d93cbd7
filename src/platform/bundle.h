#pragma once

#include <QString>

namespace platform {

// The real path of the running executable (links resolved).
QString executablePath();
// <executable's folder>/../Resources and <executable's folder>/../Info.plist, from the real path,
// so a copied bundle is self-contained.
QString bundleResources(const QString &executable);
QString bundleInfoPlist(const QString &executable);
// The bundle itself, <executable's folder>/../..: what tells one copy of the application from another.
QString bundlePath(const QString &executable);
// The user's Application Support folder: $XDG_DATA_HOME or ~/.local/share here.
QString applicationSupportBase();

} // namespace platform
