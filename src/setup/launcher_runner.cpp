#include "shell/launcher.h"

#include "platform/files.h"
#include "platform/outputfilter.h"
#include "platform/process.h"
#include "platform/proxy.h"
#include "setup/proxychoice.h"
#include "shell/setuperror.h"
#include "shell/texts.h"

namespace {

// The two ways a started command can fail an attempt; none when it succeeded.
std::optional<QString> outcomeFailure(bool cancelled, const platform::ExitStatus &status)
{
    if (cancelled)
        return texts::cancelled; // the signal we sent, or a clean exit that raced it
    if (!status.success())
        return texts::couldNotFinish;
    return std::nullopt;
}

} // namespace

void StudioLauncher::openAttemptLog(const QString &path)
{
    logHandle = platform::openForWriting(path, true);
    proxySecrets = proxy::environmentSecrets(QProcessEnvironment::systemEnvironment());
    logPath = path;
}

void StudioLauncher::appendToLog(const QString &line) const
{
    if (logHandle)
        platform::writeAllQuietly(logHandle->fd(), proxy::maskSecrets(line.toUtf8(), proxySecrets));
}

QProcessEnvironment StudioLauncher::setupEnvironment(const QString &url)
{
    const QProcessEnvironment inherited = QProcessEnvironment::systemEnvironment();
    const QUrl target(url);
    const proxy::Choice choice = proxy::choose(inherited, {[&target] { return platform::systemProxies(target); },
                                                           [] { return platform::systemProxyExceptions(); }});
    for (const QString &secret : proxy::secretsOf(choice.url))
        if (!proxySecrets.contains(secret))
            proxySecrets.append(secret);
    appendToLog(proxy::logLine(choice, target.host()));
    return proxy::commandEnvironment(inherited, choice);
}

void StudioLauncher::run(const QString &executable, const QStringList &arguments,
                         const std::optional<QStringList> &environment)
{
    // The command's output reaches the log only through the filter: curl can echo a proxy's URL.
    std::optional<platform::FilteredOutput> output;
    if (logHandle)
        output.emplace(logHandle->fd(),
                       [secrets = proxySecrets](const QByteArray &line) { return proxy::maskSecrets(line, secrets); });
    platform::SpawnOptions options;
    options.executable = executable;
    options.arguments = arguments;
    options.environment = environment;
    options.outputFd = output ? output->commandEnd() : -1;
    // Its own group lets a cancel, or the launcher's end, reach whatever the command starts in turn.
    options.endsWithLauncher = true;

    std::shared_ptr<platform::Process> command;
    {
        const std::lock_guard lock(processLock);
        if (cancelled)
            throw SetupError(texts::cancelled);
        // Launched under the lock, so a cancel either refuses it above or finds it in `child`.
        try {
            child = platform::Process::spawn(options);
        } catch (...) {
            child.reset();
            throw;
        }
        command = child;
    }
    if (output)
        output->commandStarted();

    // The child stays a zombie until reaped, so a late cancel can never signal a reused pid.
    const platform::ExitStatus exit = command->waitForExit();
    bool wasCancelled = false;
    {
        const std::lock_guard lock(processLock);
        child.reset();
        wasCancelled = cancelled;
    }
    command->reap();
    if (output)
        output->finish();

    if (const std::optional<QString> failure = outcomeFailure(wasCancelled, exit))
        throw SetupError(*failure);
}
