#include "localserver.h"
#include "setup/progressrecord.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace testsupport;

namespace {

QStringList attemptLogs(const QString &runtime)
{
    return QDir(runtime).entryList({QStringLiteral("setup-*.log")}, QDir::Files);
}

QStringList generations(const QString &runtime)
{
    return QDir(runtime).entryList({QStringLiteral("python-*")}, QDir::Dirs);
}

// A studio that records its interpreter, runs until the test releases it, and only then imports
// its engine: from the files it started with, whatever a repair did meanwhile.
const QByteArray studioUntilReleased = R"(import os, sys, time
folder = os.environ["VLMR_TEST_STUDIOS"]
mine = os.path.join(folder, str(os.getpid()))
with open(mine + ".started", "w") as out:
    out.write(sys.executable)
while not os.path.exists(os.path.join(folder, "release")):
    time.sleep(0.05)
import vellmora_demo_engine
intact = os.access(sys.executable, os.X_OK) and vellmora_demo_engine.__file__.startswith(sys.prefix + os.sep)
with open(mine + ".ended", "w") as out:
    out.write("intact" if intact else "broken")
)";

QStringList studioFiles(const QString &folder, const QString &suffix)
{
    return QDir(folder).entryList({QStringLiteral("*.") + suffix}, QDir::Files);
}

} // namespace

// Whole setup attempts in the window (offscreen), with the real worker, curl and tar.
class AttemptTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void wholeJourneyStartsTheStudio();
    void pressingTwiceStartsOneAttempt();
    void cancelDuringDownload();
    void cancelDuringBootstrapEndsItsChildren();
    void heldLockRefusesTheAttempt();
    void notEnoughSpaceRefusesBeforeAnyWork();
    void bootstrapFailureTextWins();
    void exitZeroWithoutReceiptIsNotSuccess();
    void everyAttemptKeepsItsOwnLog();
    void downloadFailureWithoutSourcesEndsTheLogWithAHint();
    void repairKeepsTheRunningStudiosGeneration();

private:
    std::unique_ptr<Sandbox> sandbox;
    std::unique_ptr<StudioLauncher> launcher;
    std::unique_ptr<LocalHttpsServer> server;
    RuntimeArchive archive;

    void serve(const QStringList &faults = {}, const QStringList &archiveOptions = {});
    void replaceBootstrap(const QByteArray &script);
    void waitForAttemptEnd();
};

void AttemptTest::init()
{
    sandbox = std::make_unique<Sandbox>();
    qputenv("VLMR_STUDIO_AUTOQUIT_SECONDS", "1");
    launcher = sandbox->launcher();
    launcher->applicationDidFinishLaunching();
    QVERIFY(launcher->setupWindow());
}

void AttemptTest::cleanup()
{
    if (launcher && launcher->isWorking()) {
        launcher->cancelSetup();
        QTRY_VERIFY_WITH_TIMEOUT(!launcher->isWorking(), 30000);
    }
    server.reset();
    launcher.reset();
    sandbox.reset();
}

void AttemptTest::serve(const QStringList &faults, const QStringList &archiveOptions)
{
    QDir().mkpath(sandbox->path(QStringLiteral("serve")));
    archive = makeRuntimeArchive(sandbox->path(QStringLiteral("serve/runtime.tar.gz")), archiveOptions);
    server = std::make_unique<LocalHttpsServer>(archive.path, sandbox->path(QStringLiteral("server")), faults);
    QVERIFY(server->isListening());
    writeManifest(sandbox->resources(), server->url(), archive.sha256, archive.size);
}

void AttemptTest::replaceBootstrap(const QByteArray &script)
{
    writeFile(sandbox->resources() + QStringLiteral("/runtime/bootstrap.py"), script);
}

void AttemptTest::waitForAttemptEnd()
{
    QTRY_VERIFY_WITH_TIMEOUT(!launcher->isWorking(), 120000);
}

void AttemptTest::wholeJourneyStartsTheStudio()
{
    addDemoEngine(sandbox->resources());
    serve();
    launcher->fullModels->click();
    QTest::mouseClick(launcher->action, Qt::LeftButton);
    QVERIFY(launcher->isWorking());
    QCOMPARE(launcher->action->text(), QStringLiteral("Setting up…"));
    QVERIFY(!launcher->action->isEnabled());
    QVERIFY(launcher->cancel->isEnabled());
    QVERIFY(launcher->details->isEnabled());
    QVERIFY(!launcher->compactModels->isEnabled());
    waitForAttemptEnd();
    QTRY_VERIFY_WITH_TIMEOUT(!launcher->setupWindow()->isVisible(), 10000);
    // Another start of this copy asks for us now: we stay behind the studio.
    launcher->bringForward();
    QVERIFY(!launcher->setupWindow()->isVisible());
    QVERIFY(launcher->validReceipt());
    const QJsonObject profile =
        QJsonDocument::fromJson(readFile(sandbox->runtime() + QStringLiteral("/model-profile.json"))).object();
    QCOMPARE(profile.value(QLatin1String("profile")).toString(), QStringLiteral("full"));
    QCOMPARE(profile.value(QLatin1String("pending")), QJsonValue(true));
    QCOMPARE(progress::read(launcher->progressURL())->value(QLatin1String("state")).toString(),
             QStringLiteral("complete"));
    // The studio runs from the main environment that pip installed the engine into.
    const QString mainPython = QJsonDocument::fromJson(readFile(sandbox->runtime() + QStringLiteral("/runtime.json")))
                                   .object()
                                   .value(QLatin1String("main_python"))
                                   .toString();
    QTRY_VERIFY_WITH_TIMEOUT(readFile(sandbox->runtime() + QStringLiteral("/launch.log")).contains("engine package"),
                             20000);
    const QByteArrayList lines = readFile(sandbox->runtime() + QStringLiteral("/launch.log")).split('\n');
    QVERIFY2(lines.contains("interpreter: " + mainPython.toUtf8()), lines.join('|').constData());
    QVERIFY(lines.contains(QByteArray("engine package ") + demoEngine + " 1.0: " + demoEngine + ": imports"));
    QCOMPARE(launcher->setupLockDescriptor(), -1);
}

void AttemptTest::pressingTwiceStartsOneAttempt()
{
    serve({QStringLiteral("--slow"), QStringLiteral("200000")},
          {QStringLiteral("--size-padding"), QStringLiteral("400000")});
    launcher->beginSetup();
    launcher->beginSetup();
    QCOMPARE(attemptLogs(sandbox->runtime()).size(), 1);
    waitForAttemptEnd();
    QCOMPARE(attemptLogs(sandbox->runtime()).size(), 1);
    QCOMPARE(server->requests().size(), 1);
}

void AttemptTest::cancelDuringDownload()
{
    serve({QStringLiteral("--slow"), QStringLiteral("50000")},
          {QStringLiteral("--size-padding"), QStringLiteral("3000000")});
    const QString partial =
        sandbox->runtime() + QStringLiteral("/downloads/") + archive.sha256 + QStringLiteral(".tar.gz");
    launcher->beginSetup();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(partial).size() > 0, 20000);
    QTest::mouseClick(launcher->cancel, Qt::LeftButton);
    QCOMPARE(launcher->status->text(), QStringLiteral("Cancelling setup…"));
    waitForAttemptEnd();
    QCOMPARE(launcher->status->text(), QStringLiteral("Setup cancelled. You can retry when ready."));
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
    QVERIFY(launcher->compactModels->isEnabled());
    QVERIFY(QFileInfo(partial).size() > 0);
    QCOMPARE(server->requests().size(), 1);
    QVERIFY(readFile(*launcher->currentDisplayedLog()).contains("Setup failed: Setup cancelled.\n"));
    QVERIFY(!anyProcessMentions(partial.toUtf8()));
}

void AttemptTest::cancelDuringBootstrapEndsItsChildren()
{
    serve();
    replaceBootstrap("import subprocess, sys\n"
                     "print('stand-in bootstrap waiting', flush=True)\n"
                     "subprocess.Popen(['/bin/sleep', '61.5']).wait()\n");
    launcher->beginSetup();
    QTRY_VERIFY_WITH_TIMEOUT(anyProcessMentions("61.5"), 60000);
    launcher->cancelSetup();
    waitForAttemptEnd();
    QCOMPARE(launcher->status->text(), QStringLiteral("Setup cancelled. You can retry when ready."));
    QTRY_VERIFY_WITH_TIMEOUT(!anyProcessMentions("61.5"), 5000);
}

void AttemptTest::heldLockRefusesTheAttempt()
{
    QProcess holder;
    holder.start(testPython(), {QStringLiteral("-c"),
                                QStringLiteral("import fcntl, sys, time\n"
                                               "f = open(sys.argv[1], 'a')\n"
                                               "fcntl.flock(f, fcntl.LOCK_EX)\n"
                                               "print('locked', flush=True)\n"
                                               "time.sleep(60)\n"),
                                sandbox->runtime() + QStringLiteral("/setup.lock")});
    QVERIFY(holder.waitForReadyRead(20000));
    launcher->beginSetup();
    QVERIFY(!launcher->isWorking());
    QCOMPARE(launcher->status->text(),
             QStringLiteral("Setup is already open in another window. Finish or cancel that setup first."));
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
    QVERIFY(launcher->action->isEnabled());
    QVERIFY(launcher->compactModels->isEnabled());
    QVERIFY(launcher->fullModels->isEnabled());
    QCOMPARE(launcher->setupLockDescriptor(), -1);
    QVERIFY(attemptLogs(sandbox->runtime()).isEmpty());
    holder.kill();
    holder.waitForFinished();

    // Once the other process lets go, setup can start here.
    serve();
    launcher->beginSetup();
    QVERIFY(launcher->isWorking());
    waitForAttemptEnd();

    // A runtime folder removed while the window is open is made again, not taken for a lock held.
    QVERIFY(QDir(sandbox->runtime()).removeRecursively());
    launcher->beginSetup();
    QVERIFY(launcher->isWorking());
    waitForAttemptEnd();
}

void AttemptTest::notEnoughSpaceRefusesBeforeAnyWork()
{
    sandbox->setFreeSpace(qint64(20) * 1073741824 - 1);
    launcher = sandbox->launcher();
    launcher->applicationDidFinishLaunching();
    writeFile(launcher->progressURL(), R"({"state": "failed", "message": "left over"})");
    launcher->beginSetup();
    const QString refusal =
        QStringLiteral("Setup needs 20 GB free; 20.0 GB is available. Free at least 0.0 GB, then retry setup.");
    QVERIFY(!launcher->isWorking());
    QCOMPARE(launcher->status->text(), refusal);
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
    QVERIFY(launcher->details->isEnabled());
    QVERIFY(launcher->compactModels->isEnabled());
    QCOMPARE(readFile(*launcher->currentDisplayedLog()), (refusal + QLatin1Char('\n')).toUtf8());
    const auto record = progress::read(launcher->progressURL());
    QCOMPARE(progress::label(*record), refusal);
    QCOMPARE(record->value(QLatin1String("state")).toString(), QStringLiteral("failed"));
    QCOMPARE(progress::failureText(record), QString()); // an empty message, not none
    QTest::qWait(600);                                  // no poll or worker: nothing rewrites the status
    QCOMPARE(launcher->status->text(), refusal);
    QVERIFY(!QFileInfo::exists(sandbox->runtime() + QStringLiteral("/downloads")));

    // Exactly 20 GB is enough.
    sandbox->setFreeSpace(qint64(20) * 1073741824);
    launcher = sandbox->launcher();
    launcher->applicationDidFinishLaunching();
    serve();
    launcher->beginSetup();
    QVERIFY(launcher->isWorking());
    waitForAttemptEnd();
}

void AttemptTest::bootstrapFailureTextWins()
{
    serve({}, {QStringLiteral("--fail-message"), QStringLiteral("The voice engines need more room.")});
    launcher->beginSetup();
    waitForAttemptEnd();
    QCOMPARE(launcher->status->text(), QStringLiteral("The voice engines need more room."));
    QVERIFY(readFile(*launcher->currentDisplayedLog()).contains("Setup failed: The voice engines need more room.\n"));
    QVERIFY(launcher->details->isEnabled());
}

void AttemptTest::exitZeroWithoutReceiptIsNotSuccess()
{
    serve();
    replaceBootstrap("import sys\nsys.exit(0)\n");
    launcher->beginSetup();
    waitForAttemptEnd();
    QCOMPARE(launcher->status->text(), QStringLiteral("Runtime validation did not complete. Please retry setup."));
    QVERIFY(!QFileInfo::exists(sandbox->runtime() + QStringLiteral("/model-profile.json")));
    QVERIFY(launcher->setupWindow()->isVisible());
}

void AttemptTest::everyAttemptKeepsItsOwnLog()
{
    serve({}, {QStringLiteral("--fail-bootstrap")});
    launcher->beginSetup();
    const QString first = *launcher->currentDisplayedLog();
    waitForAttemptEnd();
    QCOMPARE(launcher->status->text(),
             QStringLiteral("Setup could not finish. Choose Show details for the log, then retry."));
    const auto record = progress::read(launcher->progressURL());
    QCOMPARE(record->value(QLatin1String("state")).toString(), QStringLiteral("failed"));
    QCOMPARE(record->value(QLatin1String("label")).toString(), launcher->status->text());
    launcher->beginSetup();
    QVERIFY(*launcher->currentDisplayedLog() != first);
    waitForAttemptEnd();
    QCOMPARE(attemptLogs(sandbox->runtime()).size(), 2);
    QVERIFY(readFile(first).contains("Setup failed: "));
}

void AttemptTest::downloadFailureWithoutSourcesEndsTheLogWithAHint()
{
    archive = makeRuntimeArchive(sandbox->path(QStringLiteral("runtime.tar.gz")));
    writeManifest(sandbox->resources(), QStringLiteral("https://127.0.0.1:9/r.tar.gz"), archive.sha256, archive.size);
    sandbox->downloadSettings.runtimeMirrors = {QStringLiteral("http://127.0.0.1:9/")}; // not usable
    for (const bool sourceSet : {false, true}) {
        launcher = sandbox->launcher();
        launcher->applicationDidFinishLaunching();
        launcher->beginSetup();
        waitForAttemptEnd();
        QCOMPARE(readFile(*launcher->currentDisplayedLog()).endsWith("under “Download sources”.\n"), !sourceSet);
        sandbox->downloadSettings.engineIndexes = {QStringLiteral("https://127.0.0.1:9/simple/")};
    }
}

void AttemptTest::repairKeepsTheRunningStudiosGeneration()
{
    addDemoEngine(sandbox->resources());
    serve();
    const QString studios = sandbox->path(QStringLiteral("studios"));
    QDir().mkpath(studios);
    qputenv("VLMR_TEST_STUDIOS", QFile::encodeName(studios));
    const auto unset = qScopeGuard([] { qunsetenv("VLMR_TEST_STUDIOS"); });
    writeFile(sandbox->resources() + QStringLiteral("/app/sonaric/app/main.py"), studioUntilReleased);
    const QString runtime = sandbox->runtime();

    QTest::mouseClick(launcher->action, Qt::LeftButton);
    waitForAttemptEnd();
    QTRY_COMPARE_WITH_TIMEOUT(studioFiles(studios, QStringLiteral("started")).size(), 1, 20000);
    const QStringList first = generations(runtime);
    QCOMPARE(first.size(), 1);

    // Another copy repairs the shared runtime to the end while the first studio runs.
    const auto repairing = sandbox->launcher({QStringLiteral("--repair")});
    repairing->applicationDidFinishLaunching();
    QTest::mouseClick(repairing->action, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!repairing->isWorking(), 120000);
    QTRY_COMPARE_WITH_TIMEOUT(studioFiles(studios, QStringLiteral("started")).size(), 2, 20000);
    const QStringList both = generations(runtime);
    QCOMPARE(both.size(), 2);
    QVERIFY2(both.contains(first.first()), "the running studio's generation was retired");

    writeFile(studios + QStringLiteral("/release"), {});
    QTRY_COMPARE_WITH_TIMEOUT(studioFiles(studios, QStringLiteral("ended")).size(), 2, 20000);
    for (const QString &ended : studioFiles(studios, QStringLiteral("ended")))
        QCOMPARE(readFile(studios + QLatin1Char('/') + ended), QByteArray("intact"));
    QTRY_VERIFY_WITH_TIMEOUT(!launcher->hasChild() && !repairing->hasChild(), 20000);

    // With no studio left, the next setup leaves one generation and one archive.
    const auto next = sandbox->launcher({QStringLiteral("--repair")});
    next->applicationDidFinishLaunching();
    QTest::mouseClick(next->action, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!next->isWorking(), 120000);
    QVERIFY(next->validReceipt());
    QCOMPARE(generations(runtime).size(), 1);
    QVERIFY(!both.contains(generations(runtime).first()));
    QCOMPARE(QDir(runtime + QStringLiteral("/downloads")).entryList(QDir::Files).size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!next->hasChild(), 20000);
}

QTEST_MAIN(AttemptTest)
#include "tst_attempt.moc"
