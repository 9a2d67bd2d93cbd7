#include "shell/launcher.h"

// std::call_once makes the first read safe from the worker's thread as well.

QString StudioLauncher::runtime() const
{
    std::call_once(runtimeOnce, [this] {
        runtimeStorage = context.applicationSupport + QLatin1Char('/') + name + QStringLiteral("/runtime");
    });
    return runtimeStorage;
}

QString StudioLauncher::manifestURL() const
{
    std::call_once(manifestOnce,
                   [this] { manifestStorage = resources + QStringLiteral("/runtime/runtime-manifest.json"); });
    return manifestStorage;
}

QString StudioLauncher::progressURL() const
{
    std::call_once(progressOnce, [this] { progressStorage = runtime() + QStringLiteral("/setup-progress.json"); });
    return progressStorage;
}
