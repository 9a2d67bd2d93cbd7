#pragma once

#include "platform/files.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
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

    // Entry points, as the application and the controls call them.
    void applicationDidFinishLaunching();
    void selectModelProfile(int tag);
    void showDetails();
    void beginSetup();
    void cancelSetup();
    bool applicationShouldTerminate();
    bool applicationShouldTerminateAfterLastWindowClosed() const;
    // The one termination path: the Quit action, closing the window and SIGTERM/SIGINT/SIGHUP.
    void requestTermination();
    // A later start of this bundle copy asked for us: the setup window comes to the front if it
    // is up; a launcher in the background behind a running studio stays there.
    void bringForward();

    void showError(const QString &message);
    // The entry's main menu; the setup window adopts it as its menu bar when it is built.
    void setMainMenu(QMenuBar *menu) { mainMenu = menu; }

    // Locations: computed on first read, then fixed; safe to read from any thread.
    QString runtime() const;
    QString manifestURL() const;
    QString progressURL() const;

    std::optional<QJsonObject> validReceipt() const;
    void launchStudio(const QJsonObject &receipt);
    QString brandInterpreter(const QString &directory, const QString &role) const;

    void showSetup();
    void saveModelProfile() const;
    void updateProgress();
    std::optional<QString> setupSpaceError() const;
    std::optional<QString> setupFailureMessage() const;

    void writeProgress(const progress::Record &record) const;
    void finishSetup();
    void failSetup(QString text);
    void completeSetup();
    // Runs one external command of a setup attempt; throws SetupError or the platform's error.
    // Without an environment the command inherits the launcher's unchanged.
    void run(const QString &executable, const QStringList &arguments,
             const std::optional<QStringList> &environment = std::nullopt);
    // Creates `path` as a new, empty attempt log and makes it the output of every setup command
    // from now on; throws the platform's error. Main thread, before the worker starts.
    void openAttemptLog(const QString &path);

    // The installation worker. Runs on a background thread and ends by calling `completion`
    // exactly once: with no text on success, with the failure text otherwise.
    using WorkerCompletion = std::function<void(std::optional<QString> failure)>;
    void installRuntime(const WorkerCompletion &completion);

    // How the memory warning is asked. Returns the button the user chose (none when the box went
    // without an answer); tests replace it to answer without a modal loop.
    std::function<QAbstractButton *(QMessageBox &)> askAlert;
    // The monotonic clock behind elapsed and remaining times; tests replace it to step through time.
    std::function<Clock::time_point()> now = [] { return Clock::now(); };

    // Read-only views for tests and for main().
    QWidget *setupWindow() const { return window; }
    QString currentModelProfile() const { return modelProfile; }
    std::optional<QString> currentDisplayedLog() const { return displayedLog; }
    bool isWorking() const { return working; }
    bool hasChild() const;
    int setupLockDescriptor() const { return setupLock; }
    const LauncherContext &launcherContext() const { return context; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

public:
    // Fields, in their documented order.
    const QString name;      // product display name
    const QString resources; // the bundle's resource directory

private:
    LauncherContext context;

    // Locations, computed once.
    mutable std::once_flag runtimeOnce, manifestOnce, progressOnce;
    mutable QString runtimeStorage, manifestStorage, progressStorage;

    std::optional<QString> displayedLog;
    QPointer<QWidget> window;

public:
    // Controls, created with their titles; laid out and wired when the window is built.
    QLabel *const status;
    QProgressBar *const progress;
    QPushButton *const action;
    QPushButton *const cancel;
    QPushButton *const details;
    QRadioButton *const compactModels;
    QRadioButton *const fullModels;

private:
    QString modelProfile = QStringLiteral("compact");

    // Shared with the setup worker's thread.
    std::mutex processLock;
    std::shared_ptr<platform::Process> child; // guarded by processLock while a worker runs
    bool cancelled = false;                   // guarded by processLock

    // The setup attempt, main thread only.
    bool working = false;
    QPointer<QTimer> timer;
    std::optional<Clock::time_point> setupStartedAt;
    QString downloadTrackingPath;
    std::optional<Clock::time_point> downloadStartAt;
    qint64 downloadStartBytes = 0;
    std::optional<platform::FileHandle> logHandle;
    int setupLock = -1;

    QMenuBar *mainMenu = nullptr;
    // Where the worker's and the studio watcher's threads post their outcomes.
    const std::shared_ptr<MainQueue> mainQueue;

    bool takeSetupLock();
    void showAttemptStarted();
    void startProgressPoll();
    void startWorker();
    void installSteps();
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
