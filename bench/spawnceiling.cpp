// One setup command (/bin/true with its lifeline, as the worker runs curl and tar) where the
// kernel refuses close_range, so that both children close descriptors one by one, each with a
// descriptor at the top of the limit: at a limit of 1024 descriptors (the baseline) and at the
// largest limit this machine allows, in one invocation.
// Usage: bench_spawnceiling [ROUNDS] (default 5). Linux: close_range is refused through a preload.
#include "benchsupport.h"
#include "platform/process.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

bool setLimit(rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

// The kernel's own ceiling where we may raise the hard limit to it, else the hard limit.
rlim_t raiseToLargest()
{
    QFile kernel(QStringLiteral("/proc/sys/fs/nr_open"));
    const rlim_t ceiling = kernel.open(QIODevice::ReadOnly) ? kernel.readAll().trimmed().toULongLong() : 0;
    if (ceiling > 0 && setLimit(1024, ceiling))
        return ceiling;
    rlimit current{};
    ::getrlimit(RLIMIT_NOFILE, &current);
    return current.rlim_max;
}

// A descriptor without close-on-exec at the highest number `limit` allows, as a library's dup2 may
// leave one; the children must close it whatever the limit.
void occupyTop(rlim_t limit)
{
    ::dup2(STDIN_FILENO, static_cast<int>(limit - 1));
}

double bestOf(int rounds)
{
    platform::SpawnOptions options;
    options.executable = QStringLiteral("/bin/true");
    options.endsWithLauncher = true;
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(rounds));
    for (int round = 0; round < rounds; ++round) {
        times.push_back(bench::seconds([&] {
            const auto command = platform::Process::spawn(options);
            command->waitForExit();
            command->reap();
        }));
    }
    return *std::min_element(times.begin(), times.end());
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef __linux__
    if (qEnvironmentVariableIsEmpty("LD_PRELOAD")) {
        ::setenv("LD_PRELOAD", VLMR_BUILD_DIR "/tests/libvlmr_refuse_close_range.so", 1);
        ::execv("/proc/self/exe", argv);
        std::perror("re-executing with close_range refused");
        return 1;
    }
#endif
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const rlim_t largest = raiseToLargest();
    if (!setLimit(1024, largest)) {
        std::perror("setrlimit");
        return 1;
    }
    occupyTop(1024);
    const double baseline = bestOf(rounds);
    setLimit(largest, largest);
    occupyTop(largest);
    const double raised = bestOf(rounds);
    std::printf("descriptor limit 1024:        %.4f s\n", baseline);
    std::printf("descriptor limit %-12llu %.4f s\n", static_cast<unsigned long long>(largest), raised);
    std::printf("ratio (raised / 1024): %.2f\n", raised / baseline);
    return 0;
}
