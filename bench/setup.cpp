// A whole setup attempt against the local HTTPS server with a 100 MB archive and empty engine
// lists. Reports the time spent in the launcher's own steps (everything but curl, tar and the
// bootstrap script) against two `openssl dgst -sha256` runs on the archive plus 50 ms, and the
// time from pressing "Start setup" to curl's start. Usage: bench_setup [archive bytes].
#include "benchsupport.h"
#include "localserver.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testsupport;
using Seconds = std::chrono::duration<double>;

namespace {

struct Command
{
    QByteArray name;
    Clock::time_point first;
    Clock::time_point last;
};

// Samples our children every millisecond: which commands ran, and from when to when.
class ChildWatcher
{
public:
    ChildWatcher()
    {
        watchOnce(); // children from before the attempt (the server) are not commands
        for (const auto &[pid, command] : commands_)
            ignored_.push_back(pid);
        commands_.clear();
        thread_ = std::thread([this] { watch(); });
    }
    std::map<int, Command> stop()
    {
        done_ = true;
        thread_.join();
        return commands_;
    }

private:
    void watch()
    {
        while (!done_) {
            watchOnce();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void watchOnce()
    {
        const QByteArray self = QByteArray::number(::getpid());
        {
            const auto now = Clock::now();
            for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                const QByteArray stat = readFile(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
                const qsizetype close = stat.lastIndexOf(')');
                if (close < 0 || stat.mid(close + 2).split(' ').value(1) != self)
                    continue;
                const int id = pid.toInt();
                if (std::find(ignored_.begin(), ignored_.end(), id) != ignored_.end())
                    continue;
                auto [entry, added] = commands_.try_emplace(
                    id, Command{stat.mid(stat.indexOf('(') + 1, close - stat.indexOf('(') - 1), now, now});
                entry->second.last = now;
            }
        }
    }
    std::atomic<bool> done_{false};
    std::map<int, Command> commands_;
    std::vector<int> ignored_;
    std::thread thread_;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("VLMR_STUDIO_AUTOQUIT_SECONDS", "0");
    QApplication app(argc, argv);
    const qint64 bytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100'000'000;

    Sandbox sandbox;
    QDir().mkpath(sandbox.path(QStringLiteral("serve")));
    const RuntimeArchive archive = makeRuntimeArchive(sandbox.path(QStringLiteral("serve/runtime.tar.gz")),
                                                      {QStringLiteral("--size-padding"), QString::number(bytes)});
    LocalHttpsServer server(archive.path, sandbox.path(QStringLiteral("server")));
    writeManifest(sandbox.resources(), server.url(), archive.sha256, archive.size);
    const double baseline = bench::seconds([&] {
                                bench::opensslDigest(archive.path);
                                bench::opensslDigest(archive.path);
                            })
                            + 0.050;

    auto launcher = sandbox.launcher();
    launcher->applicationDidFinishLaunching();
    ChildWatcher watcher;
    const auto pressed = Clock::now();
    launcher->beginSetup();
    while (launcher->isWorking())
        QTest::qWait(1);
    const auto ended = Clock::now();
    const std::map<int, Command> commands = watcher.stop();

    double inCommands = 0;
    std::optional<Clock::time_point> curlStart;
    for (const auto &[pid, command] : commands) {
        if (command.first > ended)
            continue; // the studio, started after the attempt
        inCommands += Seconds(std::min(command.last, ended) - command.first).count();
        if (command.name == "curl" && (!curlStart || command.first < *curlStart))
            curlStart = command.first;
        std::printf("  %-16s %.3f s\n", command.name.constData(), Seconds(command.last - command.first).count());
    }
    const double total = Seconds(ended - pressed).count();
    const double own = total - inCommands;
    std::printf("archive: %lld bytes; attempt: %.3f s; in curl, tar and the bootstrap: %.3f s\n",
                static_cast<long long>(archive.size), total, inCommands);
    std::printf("launcher's own steps: %.3f s; two openssl runs + 50 ms: %.3f s; ratio %.2f (target <= 1)\n", own,
                baseline, own / baseline);
    if (curlStart)
        std::printf("press to curl start: %.1f ms (target < 50 ms)\n", Seconds(*curlStart - pressed).count() * 1000);
    return 0;
}
