#include "testsupport.h"

#include "platform/activation.h"
#include "shell/setuperror.h"
#include "studio/receipt.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <system_error>

// The launcher's side of a studio run, in process: launch, the exit's continuation, and the
// failures that must reach the window as text.
class StudioExitTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { platform::setActivationPolicy(platform::ActivationPolicy::Regular); }
    void failedStudioBringsBackTheWindow_data();
    void failedStudioBringsBackTheWindow();
    void cleanExitEndsTheEventLoop();
    void exitAfterTheLauncherIsGoneDoesNothing();
    void startFailureReachesTheWindow_data();
    void startFailureReachesTheWindow();
    void missingInterpreterNamesTheExecutable_data();
    void missingInterpreterNamesTheExecutable();
    void unusableMainPythonNeedsRepair_data();
    void unusableMainPythonNeedsRepair();
};

namespace {

const QString studioFailure =
    QStringLiteral("The studio could not start. Check launch.log in Application Support, or retry setup.");

// An interpreter that waits for the release file and then ends as `ending` says: an exit
// status, or "signal" to kill itself.
void installProbe(const testsupport::Sandbox &sandbox, const QString &ending)
{
    const QString release = sandbox.path(QStringLiteral("release"));
    const QString finish = ending == QLatin1String("signal") ? QStringLiteral("os.kill(os.getpid(), 9)")
                                                             : QStringLiteral("sys.exit(%1)").arg(ending);
    const QString script = QStringLiteral(R"(#!%1 -IS
import os, sys, time
print("probe ran", flush=True)
while not os.path.exists("%2"):
    time.sleep(0.02)
%3
)")
                               .arg(testsupport::testPython(), release, finish);
    testsupport::writeExecutable(sandbox.path(QStringLiteral("installed/bin/python3")), script.toUtf8());
}

void release(const testsupport::Sandbox &sandbox)
{
    testsupport::writeFile(sandbox.path(QStringLiteral("release")), {});
}

void writeReceipt(const testsupport::Sandbox &sandbox, const QString &mainPython)
{
    const QString valid = sandbox.path(QStringLiteral("installed/bin/python3"));
    const QJsonObject receiptObject{
        {QStringLiteral("runtime_id"),
         receipt::hash(sandbox.resources() + QStringLiteral("/runtime/runtime-manifest.json"))},
        {QStringLiteral("main_python"), mainPython},
        {QStringLiteral("seedvc_python"), valid},
        {QStringLiteral("mlx_python"), valid}};
    testsupport::writeFile(sandbox.runtime() + QStringLiteral("/runtime.json"), QJsonDocument(receiptObject).toJson());
}

QString launchLog(const testsupport::Sandbox &sandbox)
{
    return sandbox.runtime() + QStringLiteral("/launch.log");
}

} // namespace

void StudioExitTest::failedStudioBringsBackTheWindow_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("exit status 1") << QStringLiteral("1");
    QTest::newRow("exit status 255") << QStringLiteral("255");
    QTest::newRow("killed by a signal") << QStringLiteral("signal");
}

void StudioExitTest::failedStudioBringsBackTheWindow()
{
    QFETCH(QString, ending);
    testsupport::Sandbox sandbox;
    installProbe(sandbox, ending);
    writeReceipt(sandbox, sandbox.path(QStringLiteral("installed/bin/python3")));
    auto launcher = sandbox.launcher();

    launcher->applicationDidFinishLaunching();
    // Running: in the background, and the studio keeps the launcher alive without a window.
    QVERIFY(launcher->hasChild());
    QVERIFY(!launcher->setupWindow());
    QCOMPARE(platform::activationPolicy(), platform::ActivationPolicy::Accessory);
    QVERIFY(!launcher->applicationShouldTerminateAfterLastWindowClosed());
    QTRY_COMPARE_WITH_TIMEOUT(testsupport::readFile(launchLog(sandbox)), QByteArray("probe ran\n"), 10000);

    release(sandbox);
    QTRY_VERIFY_WITH_TIMEOUT(launcher->setupWindow() && launcher->setupWindow()->isVisible(), 10000);
    QCOMPARE(platform::activationPolicy(), platform::ActivationPolicy::Regular);
    QCOMPARE(launcher->status->text(), studioFailure);
    QVERIFY(launcher->details->isEnabled());
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
    QVERIFY(!launcher->progress->isVisible());
    QCOMPARE(launcher->currentDisplayedLog(), std::optional<QString>(launchLog(sandbox)));
    // With the window up, another start brings it back from the task bar.
    launcher->setupWindow()->showMinimized();
    launcher->bringForward();
    QVERIFY(!launcher->setupWindow()->isMinimized());
    QVERIFY(launcher->setupWindow()->isVisible());

    // The studio is gone, so nothing may keep a windowless launcher alive any more.
    QVERIFY(!launcher->hasChild());
    QVERIFY(launcher->applicationShouldTerminateAfterLastWindowClosed());
    QTimer::singleShot(0, launcher->setupWindow(), &QWidget::close);
    QTimer::singleShot(10000, launcher.get(), [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
}

void StudioExitTest::cleanExitEndsTheEventLoop()
{
    testsupport::Sandbox sandbox;
    installProbe(sandbox, QStringLiteral("0"));
    writeReceipt(sandbox, sandbox.path(QStringLiteral("installed/bin/python3")));
    auto launcher = sandbox.launcher();
    launcher->applicationDidFinishLaunching();
    release(sandbox);
    QTimer::singleShot(10000, launcher.get(), [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!launcher->setupWindow());
}

void StudioExitTest::exitAfterTheLauncherIsGoneDoesNothing()
{
    testsupport::Sandbox sandbox;
    installProbe(sandbox, QStringLiteral("1"));
    writeReceipt(sandbox, sandbox.path(QStringLiteral("installed/bin/python3")));
    auto launcher = sandbox.launcher();
    launcher->applicationDidFinishLaunching();
    QVERIFY(launcher->hasChild());
    launcher.reset();
    release(sandbox);
    QTest::qWait(1000); // the exit is reported to nobody; under a sanitizer, a stale pointer shows here
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void StudioExitTest::startFailureReachesTheWindow_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("subject"); // the path the text must name
    QTest::addColumn<int>("error");
    QTest::newRow("interpreter of the interpreter missing")
        << QStringLiteral("broken interpreter") << QStringLiteral("installed/bin/python3") << ENOENT;
    QTest::newRow("launch.log cannot be opened")
        << QStringLiteral("log is a folder") << QStringLiteral("launch.log") << EISDIR;
}

void StudioExitTest::startFailureReachesTheWindow()
{
    QFETCH(QString, fault);
    QFETCH(QString, subject);
    QFETCH(int, error);
    testsupport::Sandbox sandbox;
    const QString interpreter = sandbox.path(QStringLiteral("installed/bin/python3"));
    installProbe(sandbox, QStringLiteral("0"));
    if (fault == QLatin1String("broken interpreter"))
        testsupport::writeExecutable(interpreter, "#!/nonexistent/bin/python3\n");
    else
        QDir().mkpath(launchLog(sandbox));
    writeReceipt(sandbox, interpreter);
    auto launcher = sandbox.launcher();

    launcher->applicationDidFinishLaunching();

    QVERIFY(launcher->setupWindow() && launcher->setupWindow()->isVisible());
    const QString path = subject == QLatin1String("launch.log") ? launchLog(sandbox) : interpreter;
    const QString text = launcher->status->text();
    QVERIFY2(text.contains(QStringLiteral("“%1”").arg(path)), qPrintable(text));
    QVERIFY2(text.endsWith(QString::fromLocal8Bit(std::strerror(error))), qPrintable(text));
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
    QVERIFY(!launcher->hasChild());
    QVERIFY(launcher->applicationShouldTerminateAfterLastWindowClosed());
    QTest::qWait(300);
    QVERIFY(!QFileInfo::exists(sandbox.path(QStringLiteral("release")))); // nothing ran
}

void StudioExitTest::missingInterpreterNamesTheExecutable_data()
{
    QTest::addColumn<bool>("appFolderGone");
    QTest::addColumn<QByteArray>("logAfter");
    QTest::newRow("interpreter missing") << false << QByteArray();
    // Checked before the log is touched, and named, rather than failing in the interpreter's name.
    QTest::newRow("app folder missing") << true << QByteArray("stale output\n");
}

void StudioExitTest::missingInterpreterNamesTheExecutable()
{
    QFETCH(bool, appFolderGone);
    QFETCH(QByteArray, logAfter);
    testsupport::Sandbox sandbox;
    QDir().mkpath(sandbox.runtime());
    testsupport::writeFile(launchLog(sandbox), "stale output\n");
    auto launcher = sandbox.launcher();
    const QString appFolder = sandbox.resources() + QStringLiteral("/app");
    QString missing = sandbox.path(QStringLiteral("gone/bin/python3"));
    if (appFolderGone) {
        QVERIFY(QDir(appFolder).removeRecursively());
        missing = appFolder;
    }
    try {
        launcher->launchStudio(
            QJsonObject{{QStringLiteral("main_python"), appFolderGone ? QStringLiteral("/bin/true") : missing}});
        QFAIL("the studio started");
    } catch (const std::system_error &error) {
        QCOMPARE(error.code().value(), ENOENT);
        QVERIFY2(QString::fromUtf8(error.what()).contains(QStringLiteral("“%1”").arg(missing)), error.what());
    }
    QVERIFY(!launcher->hasChild());
    QCOMPARE(testsupport::readFile(launchLog(sandbox)), logAfter);
    QCOMPARE(platform::activationPolicy(), platform::ActivationPolicy::Regular);
}

void StudioExitTest::unusableMainPythonNeedsRepair_data()
{
    QTest::addColumn<QJsonObject>("receipt");
    QTest::addColumn<bool>("switched"); // the receipt now on disk names a newer generation
    QTest::newRow("missing") << QJsonObject{{QStringLiteral("mlx_python"), QStringLiteral("/bin/true")}} << false;
    QTest::newRow("a number") << QJsonObject{{QStringLiteral("main_python"), 3}} << false;
    QTest::newRow("null") << QJsonObject{{QStringLiteral("main_python"), QJsonValue::Null}} << false;
    const QJsonObject retired{{QStringLiteral("main_python"), QStringLiteral("/nonexistent/bin/python3")},
                              {QStringLiteral("generation_lock"), QStringLiteral("/nonexistent/generation.lock")}};
    QTest::newRow("its generation retired") << retired << false;
    QTest::newRow("its generation retired by a setup that switched") << retired << true;
}

void StudioExitTest::unusableMainPythonNeedsRepair()
{
    QFETCH(QJsonObject, receipt);
    QFETCH(bool, switched);
    testsupport::Sandbox sandbox;
    QDir().mkpath(sandbox.runtime());
    if (switched) {
        testsupport::writeValidReceipt(sandbox, QStringLiteral("/bin/true"));
        const QString path = sandbox.runtime() + QStringLiteral("/runtime.json");
        QJsonObject current = QJsonDocument::fromJson(testsupport::readFile(path)).object();
        current.insert(QStringLiteral("generation_lock"), path); // any file that is there can be locked
        testsupport::writeFile(path, QJsonDocument(current).toJson());
    }
    auto launcher = sandbox.launcher();
    try {
        launcher->launchStudio(receipt);
        QVERIFY2(switched, "launched without an interpreter");
    } catch (const SetupError &error) {
        QVERIFY(!switched);
        QCOMPARE(error.message(), QStringLiteral("The runtime needs repair."));
    }
    QCOMPARE(QFileInfo::exists(launchLog(sandbox)), switched); // nothing changed
    QCOMPARE(launcher->hasChild(), switched);
}

QTEST_MAIN(StudioExitTest)
#include "tst_studioexit.moc"
