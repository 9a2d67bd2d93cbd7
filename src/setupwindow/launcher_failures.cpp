#include "shell/launcher.h"

#include "platform/files.h"
#include "platform/system.h"
#include "setupwindow/failuretexts.h"

#include <QDesktopServices>
#include <QJsonDocument>
#include <QLabel>
#include <QUrl>

std::optional<QString> StudioLauncher::setupSpaceError() const
{
    return failuretexts::spaceError(platform::freeSpace(runtime()));
}

std::optional<QString> StudioLauncher::setupFailureMessage() const
{
    try {
        const QJsonDocument document = QJsonDocument::fromJson(platform::readWholeFile(progressURL()));
        return failuretexts::failureText(document.isObject() ? std::optional(document.object()) : std::nullopt);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

void StudioLauncher::showDetails()
{
    if (!displayedLog) {
        status->setText(QLatin1String(failuretexts::noAttemptYet));
        return;
    }
    if (platform::fileExists(*displayedLog))
        QDesktopServices::openUrl(QUrl::fromLocalFile(*displayedLog));
}
