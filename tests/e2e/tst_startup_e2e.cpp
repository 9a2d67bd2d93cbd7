#include "platform/bundle.h"
#include "platform/instance.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <unistd.h>

// The built executable, started as a user would, on a scratch data folder.
class StartupEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void createsTheRuntimeDirectoryAndQuitsOnSignal_data();
    void createsTheRuntimeDirectoryAndQuitsOnSignal();
    void copiedBundleUsesItsOwnResources();
    void laterStartsOfTheSameCopyHandOver();
    void killedOwnerLeavesNothingInTheWay();
};

namespace {
const QByteArray alreadyRunning = "Vellmora is already running.\n";

// The sandbox's own runtime folder: launchers of one bundle copy in other tests never meet.
QString userRuntime(const testsupport::Sandbox &sandbox)
{
    QString folder = sandbox.path(QStringLiteral("run"));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

QProcessEnvironment environmentFor(const testsupport::Sandbox &sandbox)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    testsupport::useSandboxHome(environment, sandbox);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), userRuntime(sandbox));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// A whole copy of the built bundle in the sandbox; returns its executable.
QString copyBundle(const testsupport::Sandbox &sandbox, const QString &name)
{
    const QString copy = sandbox.path(name);
    testsupport::copyTree(testsupport::bundleDir(), copy);
    QString executable = copy + QStringLiteral("/Contents/MacOS/Vellmora");
    QFile::setPermissions(executable, QFile::permissions(testsupport::bundleExecutable()));
    return executable;
}

// Starts a launcher and waits until it has made the runtime directory, which only the one
// launcher of a bundle copy does.
bool startOwner(QProcess &launcher, const testsupport::Sandbox &sandbox, const QString &executable)
{
    launcher.setProcessEnvironment(environmentFor(sandbox));
    launcher.start(executable, {});
    return QTest::qWaitFor([&] { return QFileInfo(sandbox.runtime()).isDir(); }, 20000)
           && launcher.state() == QProcess::Running;
}

// Starts a launcher that must find the bundle copy running, and returns what it wrote on
// standard error once it has ended with status 0; "unfinished" otherwise.
QByteArray startAgain(const testsupport::Sandbox &sandbox, const QString &executable, const QStringList &arguments = {})
{
    QProcess launcher;
    launcher.setProcessEnvironment(environmentFor(sandbox));
    launcher.start(executable, arguments);
    if (!launcher.waitForFinished(10000) || launcher.exitStatus() != QProcess::NormalExit || launcher.exitCode() != 0)
        return "unfinished";
    return launcher.readAllStandardError();
}

// Where the launchers of that copy in the sandbox meet.
platform::InstanceAddress addressOf(const testsupport::Sandbox &sandbox, const QString &executable)
{
    const QString bundle = platform::bundlePath(QFileInfo(executable).canonicalFilePath());
    return platform::instanceAddress(bundle, userRuntime(sandbox), QString(), QString());
}

bool terminatesCleanly(QProcess &launcher)
{
    launcher.terminate();
    return launcher.waitForFinished(10000) && launcher.exitStatus() == QProcess::NormalExit && launcher.exitCode() == 0;
}
} // namespace

void StartupEndToEndTest::createsTheRuntimeDirectoryAndQuitsOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("inputClosed"); // as `vellmora <&-` or some launch agents start it
    QTest::addColumn<bool>("sharedInstanceFolder");
    QTest::addColumn<bool>("longHome"); // and no XDG_RUNTIME_DIR, as on a Mac
    QTest::newRow("SIGTERM") << int(SIGTERM) << false << false << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false << false << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false << false << false;
    QTest::newRow("SIGTERM, standard input closed") << int(SIGTERM) << true << false << false;
    QTest::newRow("instance folder open to others") << int(SIGTERM) << false << true << false;
    QTest::newRow("home folder too long for a socket") << int(SIGTERM) << false << false << true;
}

void StartupEndToEndTest::createsTheRuntimeDirectoryAndQuitsOnSignal()
{
    QFETCH(int, signal);
    QFETCH(bool, inputClosed);
    QFETCH(bool, sharedInstanceFolder);
    QFETCH(bool, longHome);
    testsupport::Sandbox sandbox;
    QProcessEnvironment environment = environmentFor(sandbox);
    QString runtime = sandbox.runtime();
    platform::InstanceAddress address = addressOf(sandbox, testsupport::bundleExecutable());
    if (longHome) {
        const QString home = sandbox.path(QString(120, QLatin1Char('h')));
#ifdef __APPLE__
        const QString data = home + QStringLiteral("/Library/Application Support"),
                      folder = platform::userTemporaryFolder();
#else
        const QString data = home + QStringLiteral("/data"), folder = userRuntime(sandbox);
#endif
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("CFFIXED_USER_HOME"), home);
        environment.insert(QStringLiteral("TMPDIR"), folder);
        runtime = data + QStringLiteral("/Vellmora/runtime");
        const QString bundle = platform::bundlePath(testsupport::bundleExecutable());
        address = platform::instanceAddress(bundle, QString(), data + QStringLiteral("/Vellmora"), folder);
        QVERIFY(QFile::encodeName(address.socket).size() <= platform::socketPathLimit);
    }
    const QString instanceFolder = QFileInfo(address.lock).path();
    if (sharedInstanceFolder) {
        // Anyone could plant or hold files there, so the start runs unguarded and leaves it alone.
        QVERIFY(QDir().mkpath(instanceFolder));
        QVERIFY(QFile::setPermissions(instanceFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                          | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                          | QFile::ExeOther));
    }
    QProcess launcher;
    launcher.setProcessEnvironment(environment);
    launcher.setProcessChannelMode(QProcess::ForwardedChannels);
    if (inputClosed)
        launcher.setChildProcessModifier([] { ::close(STDIN_FILENO); });
    launcher.start(testsupport::bundleExecutable(), {});
    QVERIFY(launcher.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(runtime).isDir(), 20000);
    // Its logs are in there, so other local users must not read it.
    QCOMPARE(QFileInfo(runtime).permissions()
                 & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser
                     | QFile::ExeUser),
             QFile::Permissions());
#ifdef __linux__
    // Neither the lock nor a log may take the free number and reach every child as its input.
    if (inputClosed)
        QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/0").arg(launcher.processId())),
                 QStringLiteral("/dev/null"));
#endif
    QTest::qWait(300); // let it reach its event loop with the window up
    QCOMPARE(launcher.state(), QProcess::Running);
    QCOMPARE(QFileInfo::exists(address.lock), !sharedInstanceFolder);
    QCOMPARE(QFileInfo::exists(address.socket), !sharedInstanceFolder);
    ::kill(static_cast<pid_t>(launcher.processId()), signal);
    QVERIFY(launcher.waitForFinished(10000));
    QCOMPARE(launcher.exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher.exitCode(), 0);
}

void StartupEndToEndTest::copiedBundleUsesItsOwnResources()
{
    testsupport::Sandbox sandbox;
    const QString executable = copyBundle(sandbox, QStringLiteral("Copied.app"));
    // Through a link, as a desktop entry or /usr/bin wrapper would start it.
    QFile::link(executable, sandbox.path(QStringLiteral("vellmora-link")));
    QProcess launcher;
    launcher.setProcessEnvironment(environmentFor(sandbox));
    launcher.start(sandbox.path(QStringLiteral("vellmora-link")), {QStringLiteral("--repair")});
    QVERIFY(launcher.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(sandbox.runtime()).isDir(), 20000);
    launcher.terminate();
    QVERIFY(launcher.waitForFinished(10000));
    QCOMPARE(launcher.exitCode(), 0);
}

void StartupEndToEndTest::laterStartsOfTheSameCopyHandOver()
{
    testsupport::Sandbox sandbox;
    const QString executable = copyBundle(sandbox, QStringLiteral("Vellmora.app"));
    QProcess owner;
    QVERIFY(startOwner(owner, sandbox, executable));

    // Whatever its arguments, a second start only asks the first to come forward, and touches
    // nothing of the runtime.
    QDir(sandbox.runtime()).removeRecursively();
    QCOMPARE(startAgain(sandbox, executable, {QStringLiteral("--repair")}), alreadyRunning);
    QVERIFY(!QFileInfo::exists(sandbox.runtime()));
    // An owner that cannot answer does not keep a later start waiting for it.
    ::kill(static_cast<pid_t>(owner.processId()), SIGSTOP);
    QCOMPARE(startAgain(sandbox, executable), alreadyRunning);
    // Back, it still answers: nothing a later start did has ended it.
    ::kill(static_cast<pid_t>(owner.processId()), SIGCONT);
    QVERIFY(platform::askToComeForward(addressOf(sandbox, executable).socket, std::chrono::seconds(10)));
    QVERIFY(terminatesCleanly(owner));
}

void StartupEndToEndTest::killedOwnerLeavesNothingInTheWay()
{
    testsupport::Sandbox sandbox;
    const QString executable = copyBundle(sandbox, QStringLiteral("Vellmora.app"));
    QProcess killed;
    QVERIFY(startOwner(killed, sandbox, executable));
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    QVERIFY(killed.waitForFinished(10000));
    const platform::InstanceAddress address = addressOf(sandbox, executable);
    QVERIFY(QFileInfo::exists(address.socket)); // what it left behind
    QVERIFY(QFileInfo::exists(address.lock));

    QDir(sandbox.runtime()).removeRecursively();
    QProcess next;
    QVERIFY(startOwner(next, sandbox, executable));
    QVERIFY(platform::askToComeForward(address.socket, std::chrono::seconds(10)));
    QVERIFY(terminatesCleanly(next));
}

QTEST_GUILESS_MAIN(StartupEndToEndTest)
#include "tst_startup_e2e.moc"
