#include "shell/launcher.h"

#include "platform/files.h"
#include "setupwindow/progressdisplay.h"

#include <QJsonDocument>
#include <QLabel>
#include <QProgressBar>

namespace {

// None when the record is missing, unreadable, half-written or not an object.
std::optional<QJsonObject> readRecord(const QString &path)
{
    try {
        const QJsonDocument document = QJsonDocument::fromJson(platform::readWholeFile(path));
        if (document.isObject())
            return document.object();
    } catch (const std::exception &) {
    }
    return std::nullopt;
}

void showBar(QProgressBar *bar, progressdisplay::Bar mode, double percent)
{
    switch (mode) {
    case progressdisplay::Bar::Unchanged:
        return;
    case progressdisplay::Bar::Indeterminate:
        bar->setRange(0, 0); // Qt animates an empty range by itself
        return;
    case progressdisplay::Bar::Determinate:
        bar->setRange(0, 100);
        bar->setValue(static_cast<int>(percent));
        return;
    }
}

} // namespace

void StudioLauncher::updateProgress()
{
    const progressdisplay::Measuring measuring{downloadTrackingPath, downloadStartAt, downloadStartBytes};
    const progressdisplay::Display display =
        progressdisplay::update(readRecord(progressURL()), now(), setupStartedAt, measuring, platform::fileSize);
    if (display.status)
        status->setText(*display.status);
    showBar(progress, display.bar, display.percent);
    downloadTrackingPath = display.measuring.path;
    downloadStartAt = display.measuring.startAt;
    downloadStartBytes = display.measuring.startBytes;
}
