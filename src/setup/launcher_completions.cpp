#include "shell/launcher.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "setup/downloadsources.h"
#include "setup/failuretexts.h"
#include "setup/progressrecord.h"
#include "shell/texts.h"

namespace {

// A full disk shows at the end of an attempt's log: what failed, then what the steps after it
// wrote while giving up. A full log can run to megabytes of pip's output.
constexpr qint64 attemptLogTail = qint64(1) << 20;

} // namespace

// The two ways an attempt's worker ends, on the main thread: failure and success.

void StudioLauncher::failSetup(const QString &text)
{
    const std::optional<QString> recorded = setupFailureMessage();
    const QByteArray log = displayedLog ? platform::readTailQuietly(*displayedLog, attemptLogTail) : QByteArray();
    const QString shown = failuretexts::attemptFailure(text, recorded, log);
    // A failed record with a message is the bootstrap's last word, kept as written even when the
    // window shows a more precise sentence.
    if (!recorded)
        writeProgress(progress::failed(shown));
    // The platform's words name the write that failed; the sentence shown does not.
    if (shown != text && failuretexts::saysDiskFull(text))
        appendToLog(text + QLatin1Char('\n'));
    appendToLog(texts::logFailure.arg(shown));
    if (sources::wantsHint(log, downloadSourcesSet)) // the worker has ended: no lock needed
        appendToLog(texts::sourcesHint);
    finishSetup();
    showError(cancelled ? texts::cancelledRetry : shown);
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
