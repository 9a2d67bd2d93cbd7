#include "shell/launcher.h"

#include "shell/setuperror.h"

void StudioLauncher::run(const QString &, const QStringList &)
{
    throw SetupError(QStringLiteral("Setup could not finish. Choose Show details for the log, then retry."));
}
