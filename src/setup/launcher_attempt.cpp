#include "shell/launcher.h"

void StudioLauncher::beginSetup() {}
void StudioLauncher::cancelSetup() {}
void StudioLauncher::finishSetup() {}
void StudioLauncher::failSetup(QString text)
{
    showError(text);
}
void StudioLauncher::completeSetup() {}
