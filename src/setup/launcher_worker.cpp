#include "shell/launcher.h"

void StudioLauncher::installRuntime(const WorkerCompletion &completion)
{
    completion(QStringLiteral("The packaged runtime manifest is incomplete."));
}
