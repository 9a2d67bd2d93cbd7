#include "shell/launcher.h"

#include "platform/errors.h"
#include "setup/progressrecord.h"
#include "shell/texts.h"

// The two ways an attempt's worker ends, on the main thread: failure and success.

void StudioLauncher::failSetup(QString text)
{
    // The script's own words win; an empty one would leave the user with no reason at all.
    const std::optional<QString> recorded = setupFailureMessage();
    if (recorded && !recorded->isEmpty())
        text = *recorded;
    else if (!recorded)
        writeProgress(progress::failed(text));
    appendToLog(texts::logFailure.arg(text));
    finishSetup();
    if (cancelled)
        text = texts::cancelledRetry;
    showError(text);
}

void StudioLauncher::completeSetup()
{
    updateProgress();
    finishSetup();
    const std::optional<QJsonObject> receipt = validReceipt();
    if (!receipt) {
        showError(texts::validationIncomplete);
        return;
    }
    try {
        saveModelProfile();
    } catch (const std::exception &error) {
        showError(platform::errorText(error));
        return;
    }
    try {
        launchStudio(*receipt);
    } catch (const std::exception &error) {
        showError(platform::errorText(error));
    }
}
