#include "shell/launcher.h"

void StudioLauncher::updateProgress() {}
