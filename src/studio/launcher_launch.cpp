#include "shell/launcher.h"

#include "platform/process.h"
#include "shell/setuperror.h"

void StudioLauncher::launchStudio(const QJsonObject &)
{
    throw SetupError(QStringLiteral("The runtime needs repair."));
}

void StudioLauncher::watchStudio(std::shared_ptr<platform::Process>, const QString &) {}

void StudioLauncher::studioExited(const std::shared_ptr<platform::Process> &, int, bool) {}
