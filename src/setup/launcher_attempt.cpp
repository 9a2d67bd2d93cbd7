#include "shell/launcher.h"

#include "platform/process.h"

#include <QLabel>

void StudioLauncher::beginSetup() {}

void StudioLauncher::cancelSetup()
{
    {
        // Set before the signal, so the stopped command reads as cancelled rather than failed.
        const std::lock_guard lock(processLock);
        cancelled = true;
        if (child && !child->hasExited())
            child->terminate();
    }
    status->setText(QStringLiteral("Cancelling setup…"));
}

void StudioLauncher::finishSetup() {}
void StudioLauncher::failSetup(QString text)
{
    showError(text);
}
void StudioLauncher::completeSetup() {}
