// Start-up overhead of the launcher in front of the studio, and its footprint while it waits.
//
//   bench_startup [path/to/Vellmora.app]
//
// Each round starts the launcher on a scratch data folder with a valid receipt whose interpreter
// is a shell script that stamps the time on its first line, and, for the baseline, starts that
// same script directly. The overhead is the difference of the two, median of 20 rounds.

#include "platform/files.h"
#include "platform/process.h"
#include "studio/receipt.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

constexpr int rounds = 20;

qint64 nowNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now); // the clock `date +%s%N` reads
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Bench
{
    QTemporaryDir scratch;
    QString bundle = scratch.path() + QStringLiteral("/Vellmora.app");
    QString executable = bundle + QStringLiteral("/Contents/MacOS/Vellmora");
    QString data = scratch.path() + QStringLiteral("/data");
    QString studio = scratch.path() + QStringLiteral("/studio/bin/python3");
    QString stamp = scratch.path() + QStringLiteral("/stamp");
    platform::FileHandle quiet = platform::openForWriting(QStringLiteral("/dev/null"), false);

    explicit Bench(const QString &source)
    {
        testsupport::copyTree(source, bundle); // keeps the permissions, so the executable stays one
        const QString runtime = data + QStringLiteral("/Vellmora/runtime");
        QDir().mkpath(runtime);
        QDir().mkpath(QFileInfo(studio).path());
        QDir().mkpath(scratch.path() + QStringLiteral("/home"));
        QFile script(studio);
        script.open(QIODevice::WriteOnly);
        script.write(
            QStringLiteral("#!/bin/sh\n/usr/bin/date +%s%N > '%1'\n"
                           "[ -n \"$BENCH_HOLD_SECONDS\" ] && /usr/bin/sleep \"$BENCH_HOLD_SECONDS\"\nexit 0\n")
                .arg(stamp)
                .toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        const QJsonObject receipt{
            {QStringLiteral("runtime_id"),
             receipt::hash(bundle + QStringLiteral("/Contents/Resources/runtime/runtime-manifest.json"))},
            {QStringLiteral("main_python"), studio},
            {QStringLiteral("seedvc_python"), studio},
            {QStringLiteral("mlx_python"), studio}};
        platform::writeFileAtomically(runtime + QStringLiteral("/runtime.json"), QJsonDocument(receipt).toJson());
    }

    QStringList environment(const QString &hold = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
        environment.insert(QStringLiteral("HOME"), scratch.path() + QStringLiteral("/home"));
        if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (hold.isEmpty())
            environment.remove(QStringLiteral("BENCH_HOLD_SECONDS"));
        else
            environment.insert(QStringLiteral("BENCH_HOLD_SECONDS"), hold);
        return environment.toStringList();
    }

    std::shared_ptr<platform::Process> start(const QString &program, const QStringList &environmentList) const
    {
        platform::SpawnOptions options;
        options.executable = program;
        options.environment = environmentList;
        options.outputFd = quiet.fd();
        return platform::Process::spawn(options);
    }

    // Nanoseconds from spawning `program` until the studio's first line ran.
    qint64 timeToStudio(const QString &program)
    {
        QFile::remove(stamp);
        const QStringList environmentList = environment();
        const qint64 started = nowNanoseconds();
        const std::shared_ptr<platform::Process> process = start(program, environmentList);
        const platform::ExitStatus status = process->waitForExit();
        process->reap();
        if (!status.success()) {
            std::fprintf(stderr, "%s ended with %d\n", qPrintable(program), status.code);
            return -1;
        }
        QFile file(stamp);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        return file.readAll().trimmed().toLongLong() - started;
    }
};

double median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    const double value =
        values.size() % 2 ? double(values[middle]) : static_cast<double>(values[middle - 1] + values[middle]) / 2.0;
    return value / 1e6;
}

QByteArray statusField(pid_t pid, const char *field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    file.open(QIODevice::ReadOnly);
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed();
    }
    return {};
}

// User plus system CPU time of `pid`, in clock ticks.
qint64 cpuTicks(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    file.open(QIODevice::ReadOnly);
    const QByteArray line = file.readAll();
    // Fields after the command name, which may hold blanks: state is field 3, utime 14, stime 15.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QCoreApplication::applicationDirPath() + QStringLiteral("/../Vellmora.app");
    if (!QFileInfo(source + QStringLiteral("/Contents/MacOS/Vellmora")).isExecutable()) {
        std::fprintf(stderr, "no bundle at %s\n", qPrintable(source));
        return 2;
    }
    Bench bench(QFileInfo(source).canonicalFilePath());

    // One unmeasured round of each warms the page cache.
    bench.timeToStudio(bench.executable);
    bench.timeToStudio(bench.studio);
    std::vector<qint64> viaLauncher, direct, overhead;
    for (int round = 0; round < rounds; ++round) {
        const qint64 launched = bench.timeToStudio(bench.executable);
        const qint64 alone = bench.timeToStudio(bench.studio);
        if (launched < 0 || alone < 0)
            return 1;
        viaLauncher.push_back(launched);
        direct.push_back(alone);
        overhead.push_back(launched - alone);
    }
    std::printf("rounds: %d (platform %s)\n", rounds,
                qPrintable(QProcessEnvironment::systemEnvironment().value(QStringLiteral("QT_QPA_PLATFORM"),
                                                                          QStringLiteral("offscreen"))));
    std::printf("studio first line via launcher: median %.1f ms\n", median(viaLauncher));
    std::printf("studio first line started directly: median %.1f ms\n", median(direct));
    std::printf("launcher overhead: median %.1f ms (min %.1f, max %.1f)\n", median(overhead),
                double(*std::min_element(overhead.begin(), overhead.end())) / 1e6,
                double(*std::max_element(overhead.begin(), overhead.end())) / 1e6);

    // Footprint while the studio runs.
    QFile::remove(bench.stamp);
    const std::shared_ptr<platform::Process> launcher =
        bench.start(bench.executable, bench.environment(QStringLiteral("4")));
    while (!QFileInfo::exists(bench.stamp))
        QThread::msleep(10);
    QThread::msleep(300);
    const pid_t pid = launcher->pid();
    const qint64 ticksBefore = cpuTicks(pid);
    const QByteArray switchesBefore = statusField(pid, "voluntary_ctxt_switches:");
    QThread::sleep(2);
    const qint64 ticksAfter = cpuTicks(pid);
    const QByteArray switchesAfter = statusField(pid, "voluntary_ctxt_switches:");
    std::printf("launcher while the studio runs: VmRSS %s, VmHWM %s, threads %s\n",
                statusField(pid, "VmRSS:").constData(), statusField(pid, "VmHWM:").constData(),
                statusField(pid, "Threads:").constData());
    std::printf("launcher CPU over 2 s of waiting: %.0f ms (%lld ticks), voluntary context switches %lld\n",
                double(ticksAfter - ticksBefore) * 1000.0 / double(sysconf(_SC_CLK_TCK)), ticksAfter - ticksBefore,
                switchesAfter.toLongLong() - switchesBefore.toLongLong());
    const platform::ExitStatus status = launcher->waitForExit();
    launcher->reap();
    std::printf("launcher exit after the studio: %s %d\n", status.exitedNormally ? "status" : "signal", status.code);
    return 0;
}
