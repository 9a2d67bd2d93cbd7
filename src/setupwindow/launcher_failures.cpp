#include "shell/launcher.h"

#include "platform/files.h"
#include "platform/system.h"
#include "setup/failuretexts.h"
#include "setup/progressrecord.h"
#include "shell/texts.h"
#include "shell/translation.h"

#include <QDesktopServices>
#include <QLabel>
#include <QUrl>

std::optional<QString> StudioLauncher::setupSpaceError() const
{
    const QString path = runtime();
    return failuretexts::spaceError(context.freeSpace ? context.freeSpace(path) : platform::freeSpace(path));
}

std::optional<QString> StudioLauncher::setupFailureMessage() const
{
    return progress::failureText(progress::read(progressURL()));
}

void StudioLauncher::showDetails()
{
    if (!displayedLog) {
        status->setText(translation::text(texts::noAttemptYet));
        return;
    }
    if (platform::fileExists(*displayedLog))
        QDesktopServices::openUrl(QUrl::fromLocalFile(*displayedLog));
}
