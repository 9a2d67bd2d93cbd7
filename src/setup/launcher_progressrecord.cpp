#include "shell/launcher.h"

void StudioLauncher::writeProgress(const QString &, qint64, const QString &, const QString &, qint64, qint64,
                                   const QString &, qint64) const
{
}
