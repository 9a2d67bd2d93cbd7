// A first setup, then a repair with the same manifest and locks, then three repairs that fail, all
// against the local HTTPS server throttled to 25 MB/s in all and 8 MB/s per connection, serving the
// runtime archive and 220 MB of engine wheels for the three environments, holding about 10,000
// small modules. Reports the first setup against the larger of the line's time (the bytes served
// at 25 MB/s) and the local work (the repair's time: it only verifies what the runtime directory
// holds and builds a new generation), the repair against the first setup, the bytes the repair
// downloaded, and the runtime directory's size and generations after the first setup, the repair
// and the failed repairs. Times depend on the machine's load: compare the ratios of one run.
// Usage: bench_repair
#include "benchsupport.h"
#include "localserver.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <cstdio>

using namespace testsupport;

namespace {

const QStringList environments{QStringLiteral("main"), QStringLiteral("seedvc"), QStringLiteral("mlx")};
constexpr int wheelsPerEnvironment = 4;
constexpr int modulesPerWheel = 834;
constexpr qint64 wheelPadding = 18'000'000;
constexpr double lineBytesPerSecond = 25e6;
const QString throttle = QStringLiteral("25000000");
const QString perConnection = QStringLiteral("8000000");

// Apparent size of every regular file, links not followed, as `du -sb` counts it.
qint64 treeBytes(const QString &folder)
{
    qint64 bytes = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                       QDirIterator::Subdirectories);
    while (files.hasNext())
        bytes += QFileInfo(files.next()).size();
    return bytes;
}

double attempt(const Sandbox &sandbox)
{
    const auto launcher = sandbox.launcher({QStringLiteral("--repair")});
    launcher->applicationDidFinishLaunching();
    const double seconds = bench::seconds([&] {
        launcher->beginSetup();
        while (launcher->isWorking())
            QTest::qWait(1);
    });
    // Its studio ends at once; a studio still running would hold its generation.
    while (launcher->hasChild())
        QTest::qWait(10);
    return seconds;
}

// Each environment's engine wheels, served beside the archive and named by its lock.
void serveWheels(const QString &folder, const QString &resources, const QString &url)
{
    for (const QString &environment : environments) {
        QStringList arguments{sourceDir() + QStringLiteral("/tests/support/wheelhouse.py"),
                              folder,
                              QStringLiteral("--padding"),
                              QString::number(wheelPadding),
                              QStringLiteral("--modules"),
                              QString::number(modulesPerWheel),
                              QStringLiteral("--lock"),
                              resources + QStringLiteral("/runtime/engines/pylock.%1.toml").arg(environment),
                              QStringLiteral("--url"),
                              url};
        for (int i = 1; i <= wheelsPerEnvironment; ++i)
            arguments << QStringLiteral("--name") << QStringLiteral("bench_%1_%2").arg(environment).arg(i);
        QProcess::execute(testPython(), arguments);
    }
}

// Body bytes the server sent for these requests: whole files, or their tails for a range.
qint64 servedBytes(const QList<QJsonObject> &requests, const QString &folder)
{
    qint64 bytes = 0;
    for (const QJsonObject &request : requests) {
        const qint64 size = QFileInfo(folder + request.value(QLatin1String("path")).toString()).size();
        const QString range = request.value(QLatin1String("range")).toString();
        const qint64 start = range.isEmpty() ? 0 : range.mid(6).chopped(1).toLongLong();
        if (request.value(QLatin1String("method")).toString() == QLatin1String("GET"))
            bytes += qMax<qint64>(0, size - start);
    }
    return bytes;
}

// A lock whose first wheel has another digest: every repair fetches it twice and fails.
void breakFirstDigest(const QString &resources)
{
    const QString lock = resources + QStringLiteral("/runtime/engines/pylock.main.toml");
    QByteArray text = readFile(lock);
    const qsizetype digest = text.indexOf("sha256 = \"") + 10;
    text.replace(digest, 64, QByteArray(64, 'f'));
    writeFile(lock, text);
}

void report(const char *when, const QString &runtime)
{
    std::printf("runtime directory %s: %.1f MB, %d generation(s)\n", when,
                static_cast<double>(treeBytes(runtime)) / 1e6,
                int(QDir(runtime).entryList({QStringLiteral("python-*")}, QDir::Dirs).size()));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("VLMR_STUDIO_AUTOQUIT_SECONDS", "0");
    QApplication app(argc, argv);

    Sandbox sandbox;
    const QString served = sandbox.path(QStringLiteral("serve"));
    QDir().mkpath(served);
    const RuntimeArchive archive = makeRuntimeArchive(served + QStringLiteral("/runtime.tar.gz"));
    LocalHttpsServer server(served, sandbox.path(QStringLiteral("server")),
                            {QStringLiteral("--slow"), perConnection, QStringLiteral("--slow-total"), throttle});
    serveWheels(served, sandbox.resources(), server.url(QStringLiteral("/")));
    writeManifest(sandbox.resources(), server.url(), archive.sha256, archive.size);

    const double first = attempt(sandbox);
    const auto askedByFirst = server.requests().size();
    const qint64 firstBytes = servedBytes(server.requests(), served);
    const double line = static_cast<double>(firstBytes) / lineBytesPerSecond;
    std::printf("served at %s B/s in all, %s B/s per connection: archive %lld bytes, %lld wheels with %lld modules,"
                " %lld bytes in all\n",
                qPrintable(throttle), qPrintable(perConnection), static_cast<long long>(archive.size),
                static_cast<long long>(environments.size() * wheelsPerEnvironment),
                static_cast<long long>(environments.size() * wheelsPerEnvironment * modulesPerWheel),
                static_cast<long long>(firstBytes));
    std::printf("first setup: %.2f s; the line alone: %.2f s\n", first, line);
    report("after the first setup", sandbox.runtime());

    const double repair = attempt(sandbox);
    const QList<QJsonObject> asked = server.requests().mid(askedByFirst);
    std::printf("repair with unchanged locks (the local work): %.2f s; it downloaded %lld bytes in %lld request(s)\n",
                repair, static_cast<long long>(servedBytes(asked, served)), static_cast<long long>(asked.size()));
    std::printf("first setup against the larger of line and local work: %.2f (goal: at most 1.15)\n",
                first / qMax(line, repair));
    std::printf("repair against the first setup: %.2f (goal: at most 0.25)\n", repair / first);
    if (!sandbox.launcher()->validReceipt())
        std::printf("the repair failed; see the setup logs in %s\n", qPrintable(sandbox.runtime()));
    report("after the repair", sandbox.runtime());

    breakFirstDigest(sandbox.resources());
    writeManifest(sandbox.resources(), server.url(), archive.sha256, archive.size);
    for (int i = 0; i < 3; ++i)
        attempt(sandbox);
    report("after three failed repairs", sandbox.runtime());
    return 0;
}
