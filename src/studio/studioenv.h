#pragma once

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace studio {

// Where the studio's inputs are; the launcher fills these from its bundle and runtime folder.
struct StudioPaths
{
    QString appFolder;          // the bundle's "app" folder: the studio's sources
    QString receiptPath;        // "runtime.json" in the runtime folder
    QString launcherExecutable; // the launcher's real executable path; empty when unknown
    int runtimeLock = -1;       // the studio's descriptor holding its generation's lock; -1 for none
};

// The fixed system folders every studio search path ends with.
inline constexpr char systemSearchPath[] = ":/usr/bin:/bin:/usr/sbin:/sbin";
// Where ffmpeg is looked for when the receipt names none.
inline constexpr char defaultFfmpeg[] = "/usr/bin/ffmpeg";

// A path without its last component: "/usr/bin/ffmpeg" gives "/usr/bin", "/ffmpeg" gives "/",
// a bare name gives "".
QString directoryPart(const QString &path);

// The receipt's value for `key` when it is present and a string.
std::optional<QString> receiptString(const QJsonObject &receipt, const char *key);

// Whether `current` holds its runtime under another generation lock than `earlier`: a setup has
// switched the runtime since `earlier` was read.
bool namesAnotherGeneration(const QJsonObject &earlier, const QJsonObject &current);

// ffmpeg's folder, the main environment's executables, then the system folders. The inherited
// search path plays no part, so nothing the user put first can shadow the runtime's tools.
QString searchPath(const QJsonObject &receipt);

// `inherited` without what would make a runtime interpreter load another Python's library or the
// user's own packages (a conda or pyenv shell, a profile that sets them): no PYTHONHOME, no
// PYTHONPATH, PYTHONNOUSERSITE=1. The bootstrap script runs with exactly this.
QProcessEnvironment isolatedPython(QProcessEnvironment inherited);

// The launcher's own environment with the studio's changes applied in their fixed order.
QProcessEnvironment studioEnvironment(const QJsonObject &receipt, const QProcessEnvironment &inherited,
                                      const StudioPaths &paths);

} // namespace studio
