#include "shell/launcher.h"

#include "platform/errors.h"
#include "platform/filelock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "setup/progressrecord.h"
#include "shell/mainqueue.h"
#include "shell/texts.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUuid>

#include <thread>

namespace {

QString attemptLogName()
{
    return QStringLiteral("setup-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
           + QStringLiteral(".log");
}

} // namespace

void StudioLauncher::beginSetup()
{
    if (working)
        return;
    try {
        // The folder may have gone while the window was open; without it no lock file can exist.
        platform::createPrivateDirectories(runtime());
    } catch (const std::exception &error) {
        showError(platform::errorText(error));
        return;
    }
    if (!takeSetupLock()) {
        showError(texts::alreadyOpen);
        return;
    }
    compactModels->setEnabled(false);
    fullModels->setEnabled(false);
    working = true;
    cancelled = false; // no worker exists yet to race with
    downloadSourcesSet = false;
    setupStartedAt = now();
    downloadTrackingPath.clear();
    downloadStartAt.reset();
    const QString log = runtime() + QLatin1Char('/') + attemptLogName();
    displayedLog = log;
    showAttemptStarted();
    platform::removeFileQuietly(progressURL());
    try {
        openAttemptLog(log);
    } catch (const std::exception &) {
        finishSetup();
        showError(texts::logNotCreated);
        return;
    }
    details->setEnabled(true);
    if (const std::optional<QString> refusal = setupSpaceError()) {
        appendToLog(*refusal + QLatin1Char('\n'));
        writeProgress(progress::failed(*refusal));
        finishSetup();
        showError(*refusal);
        return;
    }
    writeProgress({.label = texts::checkingRuntime, .percent = 1, .state = progress::runningState, .step = 1});
    startProgressPoll();
    try {
        startWorker();
    } catch (const std::exception &error) {
        failSetup(platform::errorText(error));
    }
}

bool StudioLauncher::takeSetupLock()
{
    setupLock = platform::openLockFile(runtime() + QStringLiteral("/setup.lock"));
    if (setupLock < 0)
        return false;
    if (!platform::tryLockExclusive(setupLock)) {
        platform::unlockAndClose(setupLock);
        setupLock = -1;
        return false;
    }
    return true;
}

void StudioLauncher::showAttemptStarted()
{
    details->setEnabled(false);
    action->setEnabled(false);
    cancel->setEnabled(true);
    action->setText(texts::settingUp);
    progress->setValue(0);
    progress->setRange(0, 0); // indeterminate: Qt animates it
    progress->show();
    status->setText(texts::checkingSpace);
}

void StudioLauncher::startProgressPoll()
{
    timer = new QTimer(this);
    timer->setInterval(400);
    connect(timer, &QTimer::timeout, this, [weak = QPointer<StudioLauncher>(this)] {
        if (weak)
            weak->updateProgress();
    });
    timer->start();
}

// The worker's thread also waits for each command it starts; on Linux a command's parent-death
// signal is tied to that thread, so it must live exactly as long as the work. Throws the
// platform's error when no thread can be started.
void StudioLauncher::startWorker()
{
    std::thread([this, queue = mainQueue] {
        installRuntime([this, queue](const std::optional<QString> &failure) {
            queue->post([this, failure] {
                if (failure)
                    failSetup(*failure);
                else
                    completeSetup();
            });
        });
    }).detach();
}

void StudioLauncher::cancelSetup()
{
    {
        // Set before the signal, so the stopped command reads as cancelled rather than failed.
        const std::lock_guard lock(processLock);
        cancelled = true;
        if (child && !child->hasExited())
            child->terminate();
    }
    status->setText(texts::cancelling);
}

void StudioLauncher::finishSetup()
{
    compactModels->setEnabled(true);
    fullModels->setEnabled(true);
    working = false;
    if (timer) {
        timer->stop();
        delete timer.data();
    }
    if (progress->maximum() == 0)
        progress->setRange(0, 100); // stops the animation; the bar stays visible
    logHandle.reset();
    cancel->setEnabled(false);
    action->setEnabled(true);
    if (setupLock >= 0) {
        platform::unlockAndClose(setupLock);
        setupLock = -1;
    }
}
