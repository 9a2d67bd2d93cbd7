#pragma once

#include "platform/lifeline.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace platform {

// The number SpawnOptions::keptFd has in the new program: the first after the standard streams.
inline constexpr int keptDescriptor = 3;

struct SpawnOptions
{
    QString executable;                     // absolute path; never looked up in PATH
    QStringList arguments;                  // without the program's own name
    std::optional<QStringList> environment; // complete "KEY=value" list; none inherits ours
    QString workingDirectory;               // empty inherits ours
    int outputFd = -1;                      // standard output and error; -1 inherits ours
    // Reaches the program as keptDescriptor: the one deliberate exception to close-on-exec, for a
    // lock the program must hold after we are gone. -1 for none; not for endsWithLauncher.
    int keptFd = -1;
    // Leads a group of its own, so a signal reaches its children, and that group gets SIGTERM
    // whenever the launcher ends while the command runs.
    bool endsWithLauncher = false;
    // A session of its own, so the terminal's Ctrl+C or hang-up meant for the launcher misses it.
    bool newSession = false;
};

struct ExitStatus
{
    bool exitedNormally = false;
    int code = 0; // exit status when exitedNormally, else the signal number
    bool success() const { return exitedNormally && code == 0; }
};

// One started child. Only standard input, output and error reach it, with default signal
// dispositions and an empty signal mask whatever the launcher has set for itself.
class Process
{
public:
    // Throws std::system_error naming the executable when it cannot be started.
    static std::shared_ptr<Process> spawn(const SpawnOptions &options);
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    pid_t pid() const { return pid_; }
    // Blocks until the child has exited, then ends what is left of its group and its lifeline. The
    // child stays a zombie until reap(), so its pid cannot be reused while someone may still signal it.
    ExitStatus waitForExit();
    void reap();
    bool hasExited() const;
    // SIGTERM to the child's group when it leads one, otherwise to the child alone.
    void terminate() const;
    // SIGKILL the same way, then waits for the child and reaps it.
    void kill();

private:
    explicit Process(pid_t pid) : pid_(pid) {}
    void endWhatTheGroupLeft();
    pid_t pid_;
    std::unique_ptr<Lifeline> lifeline_;
    std::optional<ExitStatus> status_;
    std::atomic<bool> exited_{false};
    bool reaped_ = false;
};

} // namespace platform
