#include "testsupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>

// The built executable, started as a user would, on a scratch data folder.
class StartupEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void createsTheRuntimeDirectoryAndQuitsOnSignal_data();
    void createsTheRuntimeDirectoryAndQuitsOnSignal();
    void copiedBundleUsesItsOwnResources();
};

namespace {
QProcessEnvironment environmentFor(const testsupport::Sandbox &sandbox)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    testsupport::useSandboxHome(environment, sandbox);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}
} // namespace

void StartupEndToEndTest::createsTheRuntimeDirectoryAndQuitsOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void StartupEndToEndTest::createsTheRuntimeDirectoryAndQuitsOnSignal()
{
    QFETCH(int, signal);
    testsupport::Sandbox sandbox;
    QProcess launcher;
    launcher.setProcessEnvironment(environmentFor(sandbox));
    launcher.setProcessChannelMode(QProcess::ForwardedChannels);
    launcher.start(testsupport::bundleExecutable(), {});
    QVERIFY(launcher.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(sandbox.runtime()).isDir(), 20000);
    QTest::qWait(300); // let it reach its event loop with the window up
    QCOMPARE(launcher.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(launcher.processId()), signal);
    QVERIFY(launcher.waitForFinished(10000));
    QCOMPARE(launcher.exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher.exitCode(), 0);
}

void StartupEndToEndTest::copiedBundleUsesItsOwnResources()
{
    testsupport::Sandbox sandbox;
    const QString copy = sandbox.path(QStringLiteral("Copied.app"));
    testsupport::copyTree(testsupport::bundleDir(), copy);
    const QString executable = copy + QStringLiteral("/Contents/MacOS/Vellmora");
    QFile::setPermissions(executable, QFile::permissions(testsupport::bundleExecutable()));
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

QTEST_GUILESS_MAIN(StartupEndToEndTest)
#include "tst_startup_e2e.moc"
