#pragma once

#include "platform/files.h"
#include "platform/settings.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QAbstractButton;
class QLabel;
class QMenuBar;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

class MainQueue;

namespace platform {
class Process;
}
namespace progress {
struct Record;
}
namespace manifest {
struct RuntimeArchive;
}
namespace sources {
struct Source;
struct Location;
struct Configured;
} // namespace sources

// What the launcher learns from its surroundings. main() fills it from the platform; tests
// fill it with temporary folders.
struct LauncherContext
{
    QString resources;                      // the bundle's resource directory
    QString infoPlist;                      // the bundle's Info.plist
    QString applicationSupport;             // the user's Application Support folder
    QStringList arguments;                  // the process arguments, executable path included
    QString executablePath;                 // the launcher's real executable path; empty when unknown
    std::function<qint64()> physicalMemory; // read afresh wherever the memory matters
    // Free bytes on the volume holding a path; none when unknown. Empty means the platform's answer.
    std::function<std::optional<qint64>(const QString &)> freeSpace;
    // Where downloads may come from besides the manifest's URL. Empty means the platform's settings.
    std::function<platform::DownloadSettings()> downloadSettings;
};

using Clock = std::chrono::steady_clock;

// Holds every piece of launcher state; its rules live in free functions beside each subsystem.
class StudioLauncher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StudioLauncher)

public:
    explicit StudioLauncher(LauncherContext context, QObject *parent = nullptr);
    ~StudioLauncher() override;

    // Entry points: what the application, the menu, the controls and a later start call.
    void applicationDidFinishLaunching();
    bool applicationShouldTerminate();
    bool applicationShouldTerminateAfterLastWindowClosed() const;
    // The one termination path: the Quit action, closing the window and SIGTERM/SIGINT/SIGHUP.
    void requestTermination();
    // A later start of this bundle copy asked for us: the setup window comes to the front if it
    // is up; a launcher in the background behind a running studio stays there.
    void bringForward();
    void selectModelProfile(int tag);
    void beginSetup();
    void cancelSetup();
    void showDetails();
    // The entry's main menu; the setup window adopts it as its menu bar when it is built.
    void setMainMenu(QMenuBar *menu) { mainMenu = menu; }

    // Operations, each defined in its subsystem's folder.
    void showError(const QString &message);
    // Locations: computed on first read, then fixed; safe to read from any thread.
    QString runtime() const;
    QString manifestURL() const;
    QString progressURL() const;
    std::optional<QJsonObject> validReceipt() const;
    void launchStudio(const QJsonObject &validated);
    QString brandInterpreter(const QString &directory, const QString &role) const;
    void showSetup();
    void saveModelProfile() const;
    void updateProgress();
    std::optional<QString> setupSpaceError() const;
    std::optional<QString> setupFailureMessage() const;
    void writeProgress(const progress::Record &record) const;
    void finishSetup();
    void failSetup(const QString &text);
    void completeSetup();
    // Runs one external command of a setup attempt; throws SetupError or the platform's error.
    // Without an environment the command inherits the launcher's unchanged.
    void run(const QString &executable, const QStringList &arguments,
             const std::optional<QStringList> &environment = std::nullopt);
    // Creates `path` as a new, empty attempt log and makes it the output of every setup command
    // from now on, through a filter that masks the proxy's secrets; throws the platform's error.
    // Main thread, before the worker starts.
    void openAttemptLog(const QString &path);
    // Writes one line of the launcher's own into the attempt log, proxy secrets masked; best effort.
    void appendToLog(const QString &line) const;
    // The environment of a command that downloads `url`: asks the system for the proxy of that URL
    // when the launcher's own environment names none, and says in the log which one is used. May
    // block while the system runs a PAC file; worker thread only, and only when a download runs.
    QProcessEnvironment setupEnvironment(const QString &url);
    // The installation worker. Runs on a background thread and ends by calling `completion`
    // exactly once: with no text on success, with the failure text otherwise.
    using WorkerCompletion = std::function<void(std::optional<QString> failure)>;
    void installRuntime(const WorkerCompletion &completion);

    // Test seams: answers tests replace, and read-only views for tests and for main().
    // How the memory warning is asked. Returns the button the user chose (none when the box went
    // without an answer); tests answer without a modal loop.
    std::function<QAbstractButton *(QMessageBox &)> askAlert;
    // The monotonic clock behind elapsed and remaining times; tests step through time.
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
    QWidget *setupWindow() const { return window; }
    QString currentModelProfile() const { return modelProfile; }
    std::optional<QString> currentDisplayedLog() const { return displayedLog; }
    bool isWorking() const { return working; }
    bool hasChild() const;
    int setupLockDescriptor() const { return setupLock; }
    const LauncherContext &launcherContext() const { return context; }

    // The fields, in their documented order: fixed identity,
    const QString name;      // product display name
    const QString resources; // the bundle's resource directory

private:
    // the locations, computed once, and what the window shows,
    mutable std::once_flag runtimeOnce, manifestOnce, progressOnce;
    mutable QString runtimeStorage, manifestStorage, progressStorage;
    std::optional<QString> displayedLog;
    QPointer<QWidget> window;

public:
    // the controls, created with their titles and laid out and wired when the window is built,
    QLabel *const status;
    QProgressBar *const progress;
    QPushButton *const action;
    QPushButton *const cancel;
    QPushButton *const details;
    QRadioButton *const compactModels;
    QRadioButton *const fullModels;

private:
    // the chosen profile, what the setup worker's thread shares, and the attempt (main thread only).
    QString modelProfile = QStringLiteral("compact");
    std::mutex processLock;
    std::shared_ptr<platform::Process> child; // guarded by processLock while a worker runs
    bool cancelled = false;                   // guarded by processLock
    bool downloadSourcesSet = false;          // by the settings; guarded by processLock
    bool working = false;
    QPointer<QTimer> timer;
    std::optional<Clock::time_point> setupStartedAt;
    QString downloadTrackingPath;
    std::optional<Clock::time_point> downloadStartAt;
    qint64 downloadStartBytes = 0;
    std::optional<platform::FileHandle> logHandle;
    int setupLock = -1;
    // What the attempt log never shows: the secrets of the proxies inherited or chosen. Set with the
    // log, extended by the worker while it runs, read by the main thread only after it has ended.
    QStringList proxySecrets;

    // Beyond the documented fields: the surroundings, the menu, and where the worker's and the
    // studio watcher's threads post their outcomes.
    LauncherContext context;
    QString logPath; // where logHandle writes, set with it: the worker reads curl's last words there
    QMenuBar *mainMenu = nullptr;
    const std::shared_ptr<MainQueue> mainQueue;

    // Helpers of the operations above.
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool takeSetupLock();
    void showAttemptStarted();
    void startProgressPoll();
    void startWorker();
    void installSteps();
    void installInto(const QString &generation, const QString &archivePath,
                     const QList<sources::Source> &engineIndexes);
    void giveBackGeneration(const QString &generation) const;
    sources::Configured readDownloadSources();
    void fetchArchive(const QString &archivePath, const manifest::RuntimeArchive &expected,
                      const QList<sources::Source> &mirrors);
    std::optional<QString> archiveFailure(const sources::Location &at, const QString &archivePath,
                                          const manifest::RuntimeArchive &expected, bool origin);
    void download(const QString &archivePath, const QString &url);
    bool cancellationRequested();
    void buildWindow();
    void configureChoices(QWidget *content);
    void configureSetupControls(QWidget *content);
    void showModelProfile(const QString &profile);
    bool confirmFullPrecision();
    // Waits for the studio on a thread of its own, which closes `log` and reports back here.
    void watchStudio(std::shared_ptr<platform::Process> studio, platform::FileHandle log);
    void studioExited(const std::shared_ptr<platform::Process> &studio, int exitCode, bool normalExit);
};
