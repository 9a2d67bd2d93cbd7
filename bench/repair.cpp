// A first setup and then three repairs in a row, each against the local HTTPS server with the same
// runtime archive and wheelhouse. Reports each attempt's time, a repair's time as a ratio of the
// first setup's (the first downloads; a repair reuses the verified archive but builds a whole new
// generation beside the old one), and the runtime directory's size after the first setup and after
// the three repairs, which shows whether retired generations really go. Usage: bench_repair
#include "benchsupport.h"
#include "localserver.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTest>

#include <cstdio>

using namespace testsupport;

namespace {

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
    if (!launcher->validReceipt())
        std::printf("attempt failed; see the setup logs in %s\n", qPrintable(sandbox.runtime()));
    return seconds;
}

int generations(const QString &runtime)
{
    return int(QDir(runtime).entryList({QStringLiteral("python-*")}, QDir::Dirs).size());
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("VLMR_STUDIO_AUTOQUIT_SECONDS", "0");
    QApplication app(argc, argv);

    Sandbox sandbox;
    QDir().mkpath(sandbox.path(QStringLiteral("serve")));
    addDemoEngine(sandbox.resources());
    const RuntimeArchive archive = makeRuntimeArchive(sandbox.path(QStringLiteral("serve/runtime.tar.gz")));
    LocalHttpsServer server(archive.path, sandbox.path(QStringLiteral("server")));
    writeManifest(sandbox.resources(), server.url(), archive.sha256, archive.size);

    const double first = attempt(sandbox);
    const qint64 afterFirst = treeBytes(sandbox.runtime());
    std::printf("archive: %lld bytes; first setup: %.2f s; runtime directory %.1f MB, %d generation(s)\n",
                static_cast<long long>(archive.size), first, static_cast<double>(afterFirst) / 1e6,
                generations(sandbox.runtime()));
    double repairs = 0;
    for (int i = 1; i <= 3; ++i) {
        const double repair = attempt(sandbox);
        repairs += repair;
        std::printf("repair %d: %.2f s (ratio %.2f to the first setup)\n", i, repair, repair / first);
    }
    const qint64 afterRepairs = treeBytes(sandbox.runtime());
    std::printf("mean repair / first setup: ratio %.2f\n", repairs / 3 / first);
    std::printf("runtime directory after three repairs: %.1f MB, %d generation(s) (after the first: %.1f MB)\n",
                static_cast<double>(afterRepairs) / 1e6, generations(sandbox.runtime()),
                static_cast<double>(afterFirst) / 1e6);
    return 0;
}
