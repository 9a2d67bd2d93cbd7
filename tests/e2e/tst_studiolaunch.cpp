#include "testsupport.h"

#include "platform/filelock.h"
#include "studio/receipt.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <unistd.h>

// The built launcher, started as a user would, with an installed runtime whose interpreter is a
// probe that records what it was given.
class StudioLaunchEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void studioGetsItsCommandAndEnvironment_data();
    void studioGetsItsCommandAndEnvironment();
    void eachStartEmptiesTheLaunchLog();
    void failedStudioKeepsTheLauncherRunning();
    void quittingTheLauncherLeavesTheStudioRunning_data();
    void quittingTheLauncherLeavesTheStudioRunning();
};

namespace {

const char probeOutput[] = "probe: standard output\nprobe: standard error\n";

// A copy of the bundle with its executable, so resources and VLMR_LAUNCHER point into it.
struct Installation
{
    testsupport::Sandbox sandbox;
    QString root = QFileInfo(sandbox.root()).canonicalFilePath();
    QString executable = root + QStringLiteral("/bundle/Contents/MacOS/Vellmora");
    QString resources = root + QStringLiteral("/bundle/Contents/Resources");
    QString interpreter = root + QStringLiteral("/installed/main/bin/python3");
    QString record = root + QStringLiteral("/record.json");
    QString log = sandbox.runtime() + QStringLiteral("/launch.log");
    QString generationLock = root + QStringLiteral("/installed/generation.lock");

    Installation()
    {
        QDir().mkpath(QFileInfo(executable).path());
        QFile::copy(testsupport::bundleExecutable(), executable);
        QFile::setPermissions(executable, QFile::permissions(testsupport::bundleExecutable()));
    }

    // The interpreter: records its arguments, folder, environment and descriptors, writes one
    // line to each output, optionally sleeps, then exits with `status`.
    void installProbe(int status, int sleepSeconds = 0) const
    {
        const QString script = QStringLiteral(R"(#!%1 -IS
import json, os, sys, time
if sys.platform == "darwin":  # no /proc; F_GETPATH names the file behind a descriptor
    import fcntl
    folder = "/dev/fd"
    def file_of(name):
        return fcntl.fcntl(int(name), fcntl.F_GETPATH, bytes(1024)).split(b"\0")[0].decode()
else:
    folder = "/proc/self/fd"
    def file_of(name):
        return os.readlink("/proc/self/fd/" + name)
descriptors = {}
for name in os.listdir(folder):
    try:
        descriptors[name] = file_of(name)
    except OSError:
        pass  # the listing's own descriptor, closed by now
record = {"args": sys.argv[1:], "cwd": os.getcwd(), "env": dict(os.environ), "fds": descriptors,
          "pid": os.getpid(), "sid": os.getsid(0)}
with open(%2 + ".tmp", "w") as out:
    json.dump(record, out)
os.rename(%2 + ".tmp", %2)
print("probe: standard output", flush=True)
print("probe: standard error", file=sys.stderr, flush=True)
time.sleep(%3)
sys.exit(%4)
)")
                                   .arg(testsupport::testPython(), quoted(record))
                                   .arg(sleepSeconds)
                                   .arg(status);
        testsupport::writeExecutable(interpreter, script.toUtf8());
    }

    void writeReceipt(const QJsonObject &extra) const
    {
        QJsonObject receiptObject = extra;
        if (receiptObject.contains(QStringLiteral("generation_lock"))) {
            testsupport::writeFile(generationLock, {});
            receiptObject.insert(QStringLiteral("generation_lock"), generationLock);
        }
        receiptObject.insert(QStringLiteral("runtime_id"),
                             receipt::hash(resources + QStringLiteral("/runtime/runtime-manifest.json")));
        receiptObject.insert(QStringLiteral("main_python"), interpreter);
        receiptObject.insert(QStringLiteral("seedvc_python"), interpreter);
        receiptObject.insert(QStringLiteral("mlx_python"), interpreter);
        testsupport::writeFile(sandbox.runtime() + QStringLiteral("/runtime.json"),
                               QJsonDocument(receiptObject).toJson());
    }

    QProcessEnvironment environment(const QStringList &inherited = {}) const
    {
        QProcessEnvironment result = QProcessEnvironment::systemEnvironment();
        for (const char *key : {"PYTHONHOME", "PYTHONPATH", "VLMR_FFMPEG_PATH", "VLMR_LAUNCHER"})
            result.remove(QLatin1String(key));
        for (const QString &entry : inherited) {
            const qsizetype equals = entry.indexOf(QLatin1Char('='));
            result.insert(entry.left(equals), entry.mid(equals + 1));
        }
        testsupport::useSandboxHome(result, sandbox);
        result.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return result;
    }

    QJsonObject readRecord() const { return QJsonDocument::fromJson(testsupport::readFile(record)).object(); }

    static QString quoted(const QString &text)
    {
        return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    }
};

} // namespace

void StudioLaunchEndToEndTest::studioGetsItsCommandAndEnvironment_data()
{
    QTest::addColumn<QJsonObject>("extra");
    QTest::addColumn<QStringList>("inherited");
    QTest::addColumn<QString>("ffmpeg");          // empty: absent
    QTest::addColumn<QString>("path");            // %MAIN% stands for the interpreter's folder
    QTest::addColumn<bool>("childSignalIgnored"); // by the parent, as some session scripts leave it

    const QStringList hostile{QStringLiteral("PYTHONHOME=/usr/local/python-home"),
                              QStringLiteral("PYTHONPATH=/home/someone/lib:/more"),
                              QStringLiteral("PYTHONNOUSERSITE=0"),
                              QStringLiteral("VLMR_FFMPEG_PATH=/usr/local/bin/ffmpeg"),
                              QStringLiteral("PATH=/home/someone/bin:/usr/local/bin:/usr/bin:/bin"),
                              QStringLiteral("VLMR_RUNTIME_LOCK_FD=3"),
                              QStringLiteral("VLMR_PASSES_THROUGH=yes")};
    const QJsonObject both{{QStringLiteral("ffmpeg_path"), QStringLiteral("/opt/ff mpeg/bin/ffmpeg")},
                           {QStringLiteral("main_bin"), QStringLiteral("/opt/main env/bin")}};

    QTest::newRow("no optional keys, clean environment")
        << QJsonObject() << QStringList() << QString()
        << QStringLiteral("/usr/bin:%MAIN%:/usr/bin:/bin:/usr/sbin:/sbin") << false;
    QTest::newRow("no optional keys, inherited values dropped")
        << QJsonObject() << hostile << QString() << QStringLiteral("/usr/bin:%MAIN%:/usr/bin:/bin:/usr/sbin:/sbin")
        << false;
    QTest::newRow("ffmpeg and main_bin, inherited values replaced")
        << both << hostile << QStringLiteral("/opt/ff mpeg/bin/ffmpeg")
        << QStringLiteral("/opt/ff mpeg/bin:/opt/main env/bin:/usr/bin:/bin:/usr/sbin:/sbin") << false;
    QTest::newRow("a generation to hold")
        << QJsonObject{{QStringLiteral("generation_lock"), true}} << QStringList() << QString()
        << QStringLiteral("/usr/bin:%MAIN%:/usr/bin:/bin:/usr/sbin:/sbin") << false;
    QTest::newRow("non-string optional keys count as absent")
        << QJsonObject{{QStringLiteral("ffmpeg_path"), 1}, {QStringLiteral("main_bin"), false}} << hostile << QString()
        << QStringLiteral("/usr/bin:%MAIN%:/usr/bin:/bin:/usr/sbin:/sbin") << false;
    QTest::newRow("clean environment, SIGCHLD ignored by the parent")
        << QJsonObject() << QStringList() << QString()
        << QStringLiteral("/usr/bin:%MAIN%:/usr/bin:/bin:/usr/sbin:/sbin") << true;
}

void StudioLaunchEndToEndTest::studioGetsItsCommandAndEnvironment()
{
    QFETCH(QJsonObject, extra);
    QFETCH(QStringList, inherited);
    QFETCH(QString, ffmpeg);
    QFETCH(QString, path);
    QFETCH(bool, childSignalIgnored);

    Installation installation;
    installation.installProbe(0);
    installation.writeReceipt(extra);

    QProcess launcher;
    launcher.setProcessEnvironment(installation.environment(inherited));
    // An ignored SIGCHLD survives exec; the kernel would then reap the studio before the launcher's wait.
    if (childSignalIgnored)
        launcher.setChildProcessModifier([] { ::signal(SIGCHLD, SIG_IGN); });
    launcher.start(installation.executable, {});
    QVERIFY(launcher.waitForStarted());
    // A clean studio exit ends the launcher with status 0.
    QVERIFY(launcher.waitForFinished(20000));
    QCOMPARE(launcher.exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher.exitCode(), 0);

    const QJsonObject record = installation.readRecord();
    QVERIFY2(!record.isEmpty(), "the studio never ran");
    QCOMPARE(record.value(QStringLiteral("args")).toArray(),
             QJsonArray({QStringLiteral("-B"), QStringLiteral("-m"), QStringLiteral("sonaric.app.main")}));
    const QString app = installation.resources + QStringLiteral("/app");
    QCOMPARE(record.value(QStringLiteral("cwd")).toString(), app);

    const QJsonObject env = record.value(QStringLiteral("env")).toObject();
    QVERIFY(!env.contains(QStringLiteral("PYTHONHOME")));
    QCOMPARE(env.value(QStringLiteral("PYTHONPATH")).toString(), app);
    QCOMPARE(env.value(QStringLiteral("PYTHONNOUSERSITE")).toString(), QStringLiteral("1"));
    QCOMPARE(env.value(QStringLiteral("VLMR_RUNTIME_JSON")).toString(),
             installation.sandbox.runtime() + QStringLiteral("/runtime.json"));
    QCOMPARE(env.value(QStringLiteral("VLMR_LAUNCHER")).toString(), installation.executable);
    QCOMPARE(env.contains(QStringLiteral("VLMR_FFMPEG_PATH")), !ffmpeg.isEmpty());
    QCOMPARE(env.value(QStringLiteral("VLMR_FFMPEG_PATH")).toString(), ffmpeg);
    QCOMPARE(env.value(QStringLiteral("PATH")).toString(),
             QString(path).replace(QStringLiteral("%MAIN%"), QFileInfo(installation.interpreter).path()));
    QCOMPARE(env.value(QStringLiteral("VLMR_PASSES_THROUGH")).toString(),
             inherited.isEmpty() ? QString() : QStringLiteral("yes"));

    // Only the standard descriptors reach the studio, and the lock on its generation where the
    // receipt names one; both outputs go to launch.log.
    const QJsonObject fds = record.value(QStringLiteral("fds")).toObject();
    QStringList expected{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")};
    if (extra.contains(QStringLiteral("generation_lock")))
        expected << QStringLiteral("3");
    QCOMPARE(fds.keys(), expected);
    if (fds.contains(QStringLiteral("3")))
        QCOMPARE(fds.value(QStringLiteral("3")).toString(), QFileInfo(installation.generationLock).canonicalFilePath());
    // And the studio is told which descriptor that is; an inherited claim is dropped.
    QCOMPARE(env.value(QStringLiteral("VLMR_RUNTIME_LOCK_FD")).toString(),
             fds.contains(QStringLiteral("3")) ? QStringLiteral("3") : QString());
    // The platform names the file by its real path (macOS's temporary folder is behind a link).
    const QString log = QFileInfo(installation.log).canonicalFilePath();
    QCOMPARE(fds.value(QStringLiteral("1")).toString(), log);
    QCOMPARE(fds.value(QStringLiteral("2")).toString(), log);
}

void StudioLaunchEndToEndTest::eachStartEmptiesTheLaunchLog()
{
    Installation installation;
    installation.installProbe(0);
    installation.writeReceipt({});
    const QByteArray earlier = QByteArray("output of an earlier run that is longer than the next one\n").repeated(50);
    testsupport::writeFile(installation.log, earlier);

    for (int run = 0; run < 2; ++run) {
        QProcess launcher;
        launcher.setProcessEnvironment(installation.environment());
        launcher.start(installation.executable, {});
        QVERIFY(launcher.waitForFinished(20000));
        QCOMPARE(launcher.exitCode(), 0);
        QCOMPARE(testsupport::readFile(installation.log), QByteArray(probeOutput));
    }
}

void StudioLaunchEndToEndTest::failedStudioKeepsTheLauncherRunning()
{
    Installation installation;
    installation.installProbe(3);
    installation.writeReceipt({});

    QProcess launcher;
    launcher.setProcessEnvironment(installation.environment());
    launcher.start(installation.executable, {});
    QVERIFY(launcher.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(installation.record), 20000);
    // The setup window is back instead of an exit.
    QVERIFY(!launcher.waitForFinished(1500));
    QCOMPARE(testsupport::readFile(installation.log), QByteArray(probeOutput));
    launcher.terminate();
    QVERIFY(launcher.waitForFinished(10000));
    QCOMPARE(launcher.exitCode(), 0);
}

void StudioLaunchEndToEndTest::quittingTheLauncherLeavesTheStudioRunning_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("toTheGroup"); // as a terminal's Ctrl+C or hang-up reaches its job
    QTest::newRow("SIGTERM to the launcher") << int(SIGTERM) << false;
    QTest::newRow("SIGINT to its process group") << int(SIGINT) << true;
    QTest::newRow("SIGHUP to its process group") << int(SIGHUP) << true;
}

void StudioLaunchEndToEndTest::quittingTheLauncherLeavesTheStudioRunning()
{
    QFETCH(int, signal);
    QFETCH(bool, toTheGroup);
    Installation installation;
    installation.installProbe(0, 30);
    installation.writeReceipt({{QStringLiteral("generation_lock"), true}});

    QProcess launcher;
    launcher.setProcessEnvironment(installation.environment());
    launcher.setChildProcessModifier([] { ::setpgid(0, 0); }); // a job of its own, as a shell makes it
    launcher.start(installation.executable, {});
    QVERIFY(launcher.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(installation.record), 20000);
    const auto studio = static_cast<pid_t>(installation.readRecord().value(QStringLiteral("pid")).toInteger());
    QVERIFY(studio > 0);
    QCOMPARE(installation.readRecord().value(QStringLiteral("sid")).toInteger(), studio);

    const auto pid = static_cast<pid_t>(launcher.processId());
    ::kill(toTheGroup ? -pid : pid, signal);
    QVERIFY(launcher.waitForFinished(10000));
    QCOMPARE(launcher.exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher.exitCode(), 0);
    QTest::qWait(200);
    const bool studioAlive = ::kill(studio, 0) == 0;
    // A setup may retire the generation only once it can take this lock exclusively.
    const int probe = platform::openLockFile(installation.generationLock);
    const bool generationHeld = !platform::tryLockExclusive(probe) && errno == EWOULDBLOCK;
    ::close(probe);
    ::kill(studio, SIGKILL);
    QVERIFY2(studioAlive, "quitting the launcher took the studio with it");
    QVERIFY2(generationHeld, "the studio's generation was left unheld");
}

QTEST_GUILESS_MAIN(StudioLaunchEndToEndTest)
#include "tst_studiolaunch.moc"
