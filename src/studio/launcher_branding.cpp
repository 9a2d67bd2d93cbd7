#include "shell/launcher.h"

#include "shell/setuperror.h"

QString StudioLauncher::brandInterpreter(const QString &, const QString &) const
{
    throw SetupError(QStringLiteral("The packaged application identity is incomplete."));
}
