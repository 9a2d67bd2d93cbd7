// A whole setup attempt against the local HTTPS server with a 100 MB archive and empty engine
// lists. Reports the time spent in the launcher's own steps (everything but curl, tar and the
// bootstrap script) against two `openssl dgst -sha256` runs on the archive plus 50 ms, and the
// time from pressing "Start setup" to curl's start. Then what a setup command's lifeline costs
// against the command /bin/true itself, and the peak memory of an attempt whose bootstrap leaves
// a 4 GiB sparse file as the progress record. Usage: bench_setup [archive bytes].
#include "benchsupport.h"
#include "localserver.h"
#include "platform/process.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <sys/resource.h>
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

void reportLifelineCost()
{
    constexpr int runs = 200;
    platform::SpawnOptions plain;
    plain.executable = QStringLiteral("/bin/true");
    const double command = bench::seconds([&] {
                               for (int i = 0; i < runs; ++i)
                                   platform::Process::spawn(plain)->waitForExit();
                           })
                           / runs;
    // Lifelines alone, tied to one long command that leads its group, as every setup command does.
    platform::SpawnOptions leader;
    leader.executable = QStringLiteral("/bin/sleep");
    leader.arguments = {QStringLiteral("60")};
    leader.endsWithLauncher = true;
    const auto group = platform::Process::spawn(leader);
    const double lifeline = bench::seconds([&] {
                                for (int i = 0; i < runs; ++i)
                                    platform::Lifeline(group->pid(), leader.executable);
                            })
                            / runs;
    group->kill();
    std::printf("per command: /bin/true started and waited for %.3f ms; its lifeline adds %.3f ms (ratio %.2f)\n",
                command * 1000, lifeline * 1000, lifeline / command);
}

long peakKibibytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void waitForAttempt(StudioLauncher &launcher)
{
    launcher.beginSetup();
    while (launcher.isWorking())
        QTest::qWait(1);
}

// The window polls the record while the bootstrap sleeps; the record must not be read whole.
void reportPeakWithHugeRecord(Sandbox &sandbox, StudioLauncher &launcher)
{
    writeFile(sandbox.resources() + QStringLiteral("/runtime/bootstrap.py"),
              "import sys, time\n"
              "path = sys.argv[sys.argv.index('--progress') + 1]\n"
              "with open(path, 'wb') as record: record.truncate(4 << 30)\n"
              "time.sleep(2)\n"
              "sys.exit(1)\n");
    while (launcher.hasChild()) // the first attempt's studio; its exit would quit the launcher
        QTest::qWait(10);
    const long before = peakKibibytes();
    waitForAttempt(launcher);
    std::printf("peak memory: %.1f MiB after a normal attempt, %.1f MiB after one with a 4 GiB record\n",
                static_cast<double>(before) / 1024, static_cast<double>(peakKibibytes()) / 1024);
}

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
    // A command's lifeline is a fork of ours that runs beside it, not a command of its own.
    const QByteArray self = QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15).toUtf8();
    for (const auto &[pid, command] : commands) {
        if (command.first > ended || command.name == self)
            continue; // the studio, started after the attempt, or a lifeline
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

    reportLifelineCost();
    reportPeakWithHugeRecord(sandbox, *launcher);
    return 0;
}
