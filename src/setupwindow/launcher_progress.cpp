#include "shell/launcher.h"

#include "platform/files.h"
#include "setup/progressrecord.h"
#include "setupwindow/progressdisplay.h"

#include <QLabel>
#include <QProgressBar>

namespace {

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
        progressdisplay::update(progress::read(progressURL()), now(), setupStartedAt, measuring, platform::fileSize);
    if (display.status)
        status->setText(*display.status);
    showBar(progress, display.bar, display.percent);
    downloadTrackingPath = display.measuring.path;
    downloadStartAt = display.measuring.startAt;
    downloadStartBytes = display.measuring.startBytes;
}
