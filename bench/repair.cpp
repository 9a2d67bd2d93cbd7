// A first setup, then a repair with the same manifest and locks, then three repairs that fail, all
// against the local HTTPS server throttled to 25 MB/s, serving the runtime archive and 208 MB of
// engine wheels. Reports the repair's time as a ratio of the first setup's (the first downloads
// everything; the repair only verifies what the runtime directory holds and builds a new
// generation), the bytes the repair downloaded, and the runtime directory's size and generations
// after the first setup, the repair and the failed repairs. Usage: bench_repair
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

constexpr int wheels = 4;
constexpr qint64 wheelPadding = 52'000'000;
const QString throttle = QStringLiteral("25000000");

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

// The engine wheels, served beside the archive and named by the main lock.
void serveWheels(const QString &folder, const QString &resources, const QString &url)
{
    QStringList arguments{sourceDir() + QStringLiteral("/tests/support/wheelhouse.py"),
                          folder,
                          QStringLiteral("--padding"),
                          QString::number(wheelPadding),
                          QStringLiteral("--lock"),
                          resources + QStringLiteral("/runtime/engines/pylock.main.toml"),
                          QStringLiteral("--url"),
                          url};
    for (int i = 1; i <= wheels; ++i)
        arguments << QStringLiteral("--name") << QStringLiteral("bench_engine_%1").arg(i);
    QProcess::execute(testPython(), arguments);
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
    LocalHttpsServer server(served, sandbox.path(QStringLiteral("server")), {QStringLiteral("--slow"), throttle});
    serveWheels(served, sandbox.resources(), server.url(QStringLiteral("/")));
    writeManifest(sandbox.resources(), server.url(), archive.sha256, archive.size);

    const double first = attempt(sandbox);
    const auto askedByFirst = server.requests().size();
    std::printf("served at %s B/s: archive %lld bytes, %d wheels, %lld bytes in all\n", qPrintable(throttle),
                static_cast<long long>(archive.size), wheels,
                static_cast<long long>(servedBytes(server.requests(), served)));
    std::printf("first setup: %.2f s\n", first);
    report("after the first setup", sandbox.runtime());

    const double repair = attempt(sandbox);
    const QList<QJsonObject> asked = server.requests().mid(askedByFirst);
    std::printf("repair with unchanged locks: %.2f s, ratio %.2f to the first setup; it downloaded %lld bytes"
                " in %lld request(s)\n",
                repair, repair / first, static_cast<long long>(servedBytes(asked, served)),
                static_cast<long long>(asked.size()));
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
