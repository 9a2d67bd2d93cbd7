#include "shell/launcher.h"

std::optional<QString> StudioLauncher::setupSpaceError() const
{
    return std::nullopt;
}

std::optional<QString> StudioLauncher::setupFailureMessage() const
{
    return std::nullopt;
}

void StudioLauncher::showDetails() {}
