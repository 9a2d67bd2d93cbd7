#include "shell/launcher.h"

#include "setup/progressrecord.h"

void StudioLauncher::writeProgress(const progress::Record &record) const
{
    progress::write(progressURL(), record);
}
