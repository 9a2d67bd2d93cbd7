#include "platform/process.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/fork.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char **environ;

namespace platform {

namespace {

// Keeps the byte strings alive for as long as the char* arrays that point into them.
class CStringList
{
public:
    void append(const QByteArray &bytes) { storage_.push_back(bytes); }
    char **data()
    {
        pointers_.clear();
        for (QByteArray &item : storage_)
            pointers_.push_back(item.data());
        pointers_.push_back(nullptr);
        return pointers_.data();
    }

private:
    std::vector<QByteArray> storage_;
    std::vector<char *> pointers_;
};

struct SpawnAttributes
{
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnAttributes()
    {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnAttributes()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnAttributes(const SpawnAttributes &) = delete;
    SpawnAttributes &operator=(const SpawnAttributes &) = delete;
};

// Only the standard streams reach the new program: our descriptors are close-on-exec, but a
// library's might not be.
void keepOnlyStandardStreams(SpawnAttributes &spawn, short &flags, const SpawnOptions &options)
{
#ifdef __linux__
    (void)flags;
    posix_spawn_file_actions_addclosefrom_np(&spawn.actions,
                                             options.keptFd >= 0 ? keptDescriptor + 1 : STDERR_FILENO + 1);
#elif defined(__APPLE__)
    // Closes everything that no file action names; the streams we keep must be named.
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
    posix_spawn_file_actions_addinherit_np(&spawn.actions, STDIN_FILENO);
    if (options.outputFd < 0) {
        posix_spawn_file_actions_addinherit_np(&spawn.actions, STDOUT_FILENO);
        posix_spawn_file_actions_addinherit_np(&spawn.actions, STDERR_FILENO);
    }
#endif
}

pid_t spawnWithPosixSpawn(const SpawnOptions &options, const QByteArray &path, char **argv, char **envp)
{
    SpawnAttributes spawn;
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (options.newSession) {
        flags |= POSIX_SPAWN_SETSID;
    } else if (options.endsWithLauncher) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&spawn.attributes, 0);
    }
    posix_spawnattr_setsigdefault(&spawn.attributes, &all);
    posix_spawnattr_setsigmask(&spawn.attributes, &none);
    if (options.outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&spawn.actions, options.outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&spawn.actions, options.outputFd, STDERR_FILENO);
    }
    // dup2 onto itself would keep close-on-exec, so the kept descriptor comes from a copy above it.
    FileHandle keptCopy;
    if (options.keptFd >= 0) {
        keptCopy = FileHandle(::fcntl(options.keptFd, F_DUPFD_CLOEXEC, keptDescriptor + 1));
        if (!keptCopy.isOpen())
            throw systemError("start", options.executable, errno);
        posix_spawn_file_actions_adddup2(&spawn.actions, keptCopy.fd(), keptDescriptor);
    }
    const QByteArray directory = QFile::encodeName(options.workingDirectory);
    if (!options.workingDirectory.isEmpty())
        posix_spawn_file_actions_addchdir_np(&spawn.actions, directory.constData());
    keepOnlyStandardStreams(spawn, flags, options);
    posix_spawnattr_setflags(&spawn.attributes, flags);

    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.constData(), &spawn.actions, &spawn.attributes, argv, envp);
    if (error != 0)
        throw systemError("start", options.executable, error);
    return pid;
}

#ifdef __linux__
// Points `target` at `source` for the new program. dup2 onto itself keeps the close-on-exec
// flag, so that case clears it instead. Async-signal-safe.
bool redirect(int source, int target)
{
    if (source == target)
        return ::fcntl(target, F_SETFD, 0) == 0;
    return ::dup2(source, target) >= 0;
}

// fork and exec, for the one setting posix_spawn cannot make: a signal when the parent dies, a
// second line beside the lifeline. Only async-signal-safe calls between fork and exec.
pid_t spawnWithParentDeathSignal(const SpawnOptions &options, const QByteArray &path, char **argv, char **envp)
{
    int report[2];
    createPipe(report, false, options.executable);
    const QByteArray directory = QFile::encodeName(options.workingDirectory);
    const pid_t parent = ::getpid();
    // A SIGTERM (a cancel, or the parent-death signal) stays pending until the defaults are in place.
    const pid_t pid = forkWithSignalsBlocked();
    if (pid == 0) {
        auto fail = [&](int error) {
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(127);
        };
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0)
            fail(errno);
        if (::getppid() != parent)
            ::_exit(127); // the parent is gone already; nobody waits for this command
        if (::setpgid(0, 0) != 0)
            fail(errno);
        struct sigaction standard
        {};
        standard.sa_handler = SIG_DFL;
        for (int signal = 1; signal < NSIG; ++signal)
            ::sigaction(signal, &standard, nullptr);
        if (options.outputFd >= 0
            && (!redirect(options.outputFd, STDOUT_FILENO) || !redirect(options.outputFd, STDERR_FILENO)))
            fail(errno);
        if (!directory.isEmpty() && ::chdir(directory.constData()) != 0)
            fail(errno);
        // Marked rather than closed: the report pipe must stay open until execve succeeds.
        markCloseOnExecFrom(STDERR_FILENO + 1);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(path.constData(), argv, envp);
        fail(errno);
    }
    const int forkError = errno;
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        throw systemError("start", options.executable, forkError);
    }
    int error = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == sizeof error) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        throw systemError("start", options.executable, error);
    }
    return pid;
}
#endif

} // namespace

std::shared_ptr<Process> Process::spawn(const SpawnOptions &options)
{
    const QByteArray path = QFile::encodeName(options.executable);
    CStringList argv;
    argv.append(path);
    for (const QString &argument : options.arguments)
        argv.append(argument.toLocal8Bit());
    CStringList environment;
    char **envp = environ;
    if (options.environment) {
        for (const QString &entry : *options.environment)
            environment.append(entry.toLocal8Bit());
        envp = environment.data();
    }
    pid_t pid = -1;
#ifdef __linux__
    if (options.endsWithLauncher && !options.newSession)
        pid = spawnWithParentDeathSignal(options, path, argv.data(), envp);
    else
#endif
        pid = spawnWithPosixSpawn(options, path, argv.data(), envp);
    std::shared_ptr<Process> process(new Process(pid));
    if (options.endsWithLauncher) {
        try {
            process->lifeline_ = std::make_unique<Lifeline>(pid, options.executable);
        } catch (...) {
            // A command that nothing would end must not run at all.
            process->kill();
            throw;
        }
    }
    return process;
}

Process::~Process()
{
    if (!reaped_ && exited_)
        reap();
}

ExitStatus Process::waitForExit()
{
    if (status_)
        return *status_;
    siginfo_t info{};
    int result = 0;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT);
    } while (result != 0 && errno == EINTR);
    status_ = result == 0 ? ExitStatus{info.si_code == CLD_EXITED, info.si_status} : ExitStatus{false, 0};
    exited_ = true;
    endWhatTheGroupLeft();
    return *status_;
}

void Process::endWhatTheGroupLeft()
{
    if (!lifeline_)
        return;
    // A command that died without ending its own children (pip after a SIGKILLed bootstrap) leaves
    // them running. The watchdog ignores SIGTERM and, being a member, keeps the group's id ours.
    ::kill(-pid_, SIGTERM);
    lifeline_.reset();
}

void Process::reap()
{
    if (reaped_)
        return;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
    reaped_ = true;
}

bool Process::hasExited() const
{
    return exited_;
}

namespace {
// The child is unreaped whenever this runs, so neither its pid nor a group it leads can be reused.
void signalChild(pid_t pid, int signal)
{
    if (::getpgid(pid) == pid)
        ::kill(-pid, signal);
    else
        ::kill(pid, signal);
}
} // namespace

void Process::terminate() const
{
    signalChild(pid_, SIGTERM);
}

void Process::kill()
{
    signalChild(pid_, SIGKILL);
    waitForExit();
    reap();
}

} // namespace platform
