#include "shell/launcher.h"

#include "platform/activation.h"
#include "platform/filelock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "shell/mainqueue.h"
#include "shell/setuperror.h"
#include "shell/texts.h"
#include "studio/studioenv.h"

#include <QProcessEnvironment>
#include <QPushButton>

#include <thread>

namespace {

QString launchLogPath(const QString &runtime)
{
    return runtime + QStringLiteral("/launch.log");
}

// A setup never retires a runtime generation whose lock someone holds. Taken here, before the
// studio exists, so no clean-up can find the studio's generation in use but unheld; the studio
// inherits it and holds it for as long as it lives, whatever becomes of the launcher. None when
// the lock is gone or being retired right now; an empty handle when the receipt names no lock.
std::optional<platform::FileHandle> holdGeneration(const QJsonObject &receipt)
{
    const std::optional<QString> lock = studio::receiptString(receipt, "generation_lock");
    if (!lock)
        return platform::FileHandle(); // installed before runtimes had generations
    platform::FileHandle held(platform::openSharedLock(*lock));
    if (!held.isOpen())
        return std::nullopt;
    return held;
}

} // namespace

void StudioLauncher::launchStudio(const QJsonObject &validated)
{
    QJsonObject receipt = validated;
    std::optional<platform::FileHandle> generation = holdGeneration(receipt);
    if (!generation) {
        // Read a moment too early: another copy's setup may have switched to a new generation
        // and retired this one since.
        const std::optional<QJsonObject> current = validReceipt();
        if (current && studio::namesAnotherGeneration(receipt, *current)) {
            receipt = *current;
            generation = holdGeneration(receipt);
        }
    }
    const std::optional<QString> mainPython = studio::receiptString(receipt, "main_python");
    if (!mainPython || !generation)
        throw SetupError(texts::needsRepair);

    const QString appFolder = resources + QStringLiteral("/app");
    // Named here, or the start would fail in the interpreter's name.
    platform::requireDirectory(appFolder);
    const int runtimeLock = generation->isOpen() ? platform::keptDescriptor : -1;
    const studio::StudioPaths paths{appFolder, runtime() + QStringLiteral("/runtime.json"), context.executablePath,
                                    runtimeLock};
    platform::SpawnOptions options;
    options.executable = *mainPython;
    options.arguments = {QStringLiteral("-B"), QStringLiteral("-m"), QStringLiteral("sonaric.app.main")};
    options.workingDirectory = appFolder;
    options.environment =
        studio::studioEnvironment(receipt, QProcessEnvironment::systemEnvironment(), paths).toStringList();
    // The studio outlives the launcher however it ends: no lifeline, and a session of its own so
    // that the terminal's Ctrl+C or hang-up reaches only the launcher.
    options.newSession = true;
    options.keptFd = generation->fd();

    const QString log = launchLogPath(runtime());
    try {
        platform::createEmptyFile(log);
    } catch (const std::exception &) {
        // Opening it below reports the reason.
    }
    platform::FileHandle output = platform::openForWriting(log, false);
    options.outputFd = output.fd();

    std::shared_ptr<platform::Process> studio;
    {
        const std::lock_guard<std::mutex> guard(processLock);
        try {
            studio = platform::Process::spawn(options);
        } catch (...) {
            child.reset(); // nothing left to wait for, so closing the window may end the launcher
            throw;
        }
        child = studio;
    }
    try {
        watchStudio(studio, std::move(output));
    } catch (...) {
        // Nobody could ever notice its exit: end it rather than leave an unwatched studio.
        studio->kill();
        const std::lock_guard<std::mutex> guard(processLock);
        child.reset();
        throw;
    }

    if (window)
        window->hide();
    platform::setActivationPolicy(platform::ActivationPolicy::Accessory);
}

void StudioLauncher::watchStudio(std::shared_ptr<platform::Process> studio, platform::FileHandle log)
{
    // Blocks in waitpid rather than polling, so the launcher costs no CPU while the studio runs.
    std::thread([this, queue = mainQueue, studio = std::move(studio), log = std::move(log)]() mutable {
        const platform::ExitStatus outcome = studio->waitForExit();
        log.close();
        queue->post([this, studio, outcome] { studioExited(studio, outcome.code, outcome.exitedNormally); });
    }).detach();
}

void StudioLauncher::studioExited(const std::shared_ptr<platform::Process> &studio, int exitCode, bool normalExit)
{
    {
        // Clearing it lets closing the window end the launcher again.
        const std::lock_guard<std::mutex> guard(processLock);
        if (child == studio)
            child.reset();
    }
    studio->reap();

    if (normalExit && exitCode == 0) {
        requestTermination();
        return;
    }
    platform::setActivationPolicy(platform::ActivationPolicy::Regular);
    showSetup();
    displayedLog = launchLogPath(runtime());
    details->setEnabled(true);
    showError(texts::studioFailed);
}
