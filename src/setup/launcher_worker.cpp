#include "shell/launcher.h"

#include "platform/errors.h"
#include "platform/filelock.h"
#include "platform/files.h"
#include "setup/archive.h"
#include "setup/downloadsources.h"
#include "setup/failuretexts.h"
#include "setup/manifest.h"
#include "setup/progressrecord.h"
#include "setup/proxychoice.h"
#include "shell/setuperror.h"
#include "shell/texts.h"
#include "studio/receipt.h"
#include "studio/studioenv.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QUuid>

namespace {

const QString curl = QStringLiteral("/usr/bin/curl");
const QString tar = QStringLiteral("/usr/bin/tar");
const QString generationLock = QStringLiteral("generation.lock");
// Ends with curl's own error line, however long its progress meter ran.
constexpr qint64 curlOutputTail = qint64(64) << 10;

} // namespace

// One exit: whatever happens inside, the completion runs exactly once, after the work.
void StudioLauncher::installRuntime(const WorkerCompletion &completion)
{
    std::optional<QString> failure;
    try {
        installSteps();
    } catch (const std::exception &error) {
        failure = platform::errorText(error);
    } catch (...) {
        failure = texts::couldNotFinish;
    }
    completion(failure);
}

void StudioLauncher::installSteps()
{
    const sources::Configured configured = readDownloadSources();
    const manifest::RuntimeArchive expected = manifest::parse(platform::readWholeFile(manifestURL()), manifestURL());
    const QString downloads = runtime() + QStringLiteral("/downloads");
    platform::createDirectories(downloads);
    const QString archivePath = downloads + QLatin1Char('/') + expected.sha256 + QStringLiteral(".tar.gz");
    writeProgress({.label = texts::downloading,
                   .percent = 1,
                   .state = progress::runningState,
                   .step = 1,
                   .downloadPath = archivePath,
                   .downloadTotal = expected.size});

    if (archive::alreadyDownloaded(archivePath, expected.sha256)) {
        appendToLog(texts::archiveReused.arg(archivePath));
        archive::verify(archivePath, expected);
    } else {
        fetchArchive(archivePath, expected, configured.runtimeMirrors);
    }

    writeProgress({.label = texts::extracting, .percent = 3, .state = progress::runningState, .step = 1});
    const QString staging =
        runtime() + QStringLiteral("/python-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    // Held until the bootstrap, which joins it, has ended: a bootstrap still retiring for a launcher
    // that died leaves a locked generation alone, so it cannot remove this one from under tar.
    const platform::FileHandle generation = platform::createLockedFolder(staging, generationLock);
    try {
        installInto(staging, archivePath, configured.engineIndexes);
    } catch (...) {
        giveBackGeneration(staging);
        throw;
    }
}

void StudioLauncher::installInto(const QString &generation, const QString &archivePath,
                                 const QList<sources::Source> &engineIndexes)
{
    run(tar, {QStringLiteral("-xzf"), archivePath, QStringLiteral("-C"), generation});

    const QString interpreter = brandInterpreter(generation + QStringLiteral("/python/bin"), QStringLiteral("setup"));

    const QString packaged = resources + QStringLiteral("/runtime");
    writeProgress({.label = texts::installing, .percent = 4, .state = progress::runningState, .step = 2});
    const QString runtimeId = receipt::hash(manifestURL());
    QStringList arguments = {QStringLiteral("-u"),
                             packaged + QStringLiteral("/bootstrap.py"),
                             QStringLiteral("--runtime-root"),
                             runtime(),
                             QStringLiteral("--resources"),
                             packaged,
                             QStringLiteral("--progress"),
                             progressURL(),
                             QStringLiteral("--runtime-id"),
                             runtimeId};
    for (const sources::Source &index : engineIndexes)
        arguments << QStringLiteral("--engine-index") << index.url;
    const QProcessEnvironment inherited = QProcessEnvironment::systemEnvironment();
    run(interpreter, arguments,
        studio::isolatedPython(proxy::bootstrapEnvironment(inherited, context.executablePath)).toStringList());
}

// Read once an attempt; what cannot be used is said once in the log, and left out.
sources::Configured StudioLauncher::readDownloadSources()
{
    const platform::DownloadSettings settings =
        context.downloadSettings ? context.downloadSettings() : platform::downloadSettings();
    sources::Configured configured = sources::configure(settings, platform::isDirectory);
    for (const QString &line : std::as_const(configured.skipped))
        appendToLog(line);
    const std::lock_guard lock(processLock);
    downloadSourcesSet = configured.any();
    return configured;
}

// The mirrors in their order, then the origin; the first whose file passes the check wins.
void StudioLauncher::fetchArchive(const QString &archivePath, const manifest::RuntimeArchive &expected,
                                  const QList<sources::Source> &mirrors)
{
    QList<sources::Location> locations;
    for (const sources::Source &mirror : mirrors) {
        if (const std::optional<sources::Location> at = sources::archiveAt(mirror, expected.url))
            locations << *at;
        else
            appendToLog(texts::sourceSkipped.arg(mirror.url, platform::runtimeMirrorsKey, texts::unsafeFileName));
    }
    locations << sources::Location{expected.url, QString()};
    std::optional<QString> failure;
    for (const sources::Location &at : std::as_const(locations)) {
        appendToLog(texts::archiveTrying.arg(at.url));
        failure = archiveFailure(at, archivePath, expected, &at == &locations.constLast());
        if (!failure) {
            appendToLog(texts::archiveCameFrom.arg(at.url));
            return;
        }
        appendToLog(texts::archiveSourceFailed.arg(at.url, sources::logReason(*failure)));
    }
    appendToLog(texts::everySourceFailed + texts::runtimeArchive);
    throw SetupError(*failure); // the origin's, in the words of a single source
}

// None when the archive came from `at` and passed the check; a rejected file is gone.
std::optional<QString> StudioLauncher::archiveFailure(const sources::Location &at, const QString &archivePath,
                                                      const manifest::RuntimeArchive &expected, bool origin)
{
    try {
        if (!at.file.isEmpty())
            platform::copyFile(at.file, archivePath, [this] { return !cancellationRequested(); });
        else if (origin)
            download(archivePath, at.url);
        else
            run(curl, manifest::curlArguments(archivePath, at.url), setupEnvironment(at.url).toStringList());
        if (cancellationRequested())
            throw SetupError(texts::cancelled);
        archive::verify(archivePath, expected);
    } catch (const std::exception &error) {
        if (cancellationRequested())
            throw;
        return platform::errorText(error);
    }
    return std::nullopt;
}

// A failed or cancelled attempt's generation goes before the attempt ends, whatever the bootstrap
// got to: a partial interpreter is of no use to the next one. Never once the receipt names it (a
// cancel that came after the switch), nor when the receipt is there but cannot be read to tell.
void StudioLauncher::giveBackGeneration(const QString &generation) const
{
    const QString receiptPath = runtime() + QStringLiteral("/runtime.json");
    if (platform::fileExists(receiptPath)) {
        QByteArray bytes;
        try {
            bytes = platform::readWholeFile(receiptPath);
        } catch (const std::exception &) {
            return;
        }
        const QJsonObject current = QJsonDocument::fromJson(bytes).object();
        if (receipt::namesFolder(current, generation)
            || receipt::namesFolder(current, QFileInfo(generation).canonicalFilePath()))
            return;
    }
    // The name a killed bootstrap's clean-up gives a folder on its way out, so the next one finishes.
    platform::removeFolderQuietly(generation,
                                  runtime() + QStringLiteral("/.retired-") + QFileInfo(generation).fileName());
}

// Resumes what an earlier attempt left; when that fails without a cancel, and not with an answer
// that asking again cannot change, starts over once.
void StudioLauncher::download(const QString &archivePath, const QString &url)
{
    const QStringList environment = setupEnvironment(url).toStringList();
    const QStringList arguments = manifest::curlArguments(archivePath, url);
    try {
        run(curl, arguments, environment);
    } catch (const std::exception &) {
        using failuretexts::DownloadFault;
        if (cancellationRequested())
            throw;
        const DownloadFault fault = failuretexts::downloadFault(platform::readTailQuietly(logPath, curlOutputTail));
        if (fault != DownloadFault::none && fault != DownloadFault::transient)
            throw;
        platform::removeFileQuietly(archivePath);
        run(curl, arguments, environment);
    }
}

bool StudioLauncher::cancellationRequested()
{
    const std::lock_guard lock(processLock);
    return cancelled;
}
