#include "shell/launcher.h"

#include "setup/progressrecord.h"

void StudioLauncher::writeProgress(const QString &label, qint64 percent, const QString &state, const QString &message,
                                   qint64 step, qint64 totalSteps, const QString &downloadPath,
                                   qint64 downloadTotal) const
{
    progress::write(progressURL(), {label, percent, state, message, step, totalSteps, downloadPath, downloadTotal});
}
