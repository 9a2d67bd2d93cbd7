#include "shell/startup.h"
#include "studio/receipt.h"
#include "testsupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

using testsupport::Sandbox;

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void repairFlag_data();
    void repairFlag();
    void repairNeverReadsTheReceipt();
    void missingRuntimeDirectoryIsCreatedWithParents();
    void existingRuntimeDirectoryIsAccepted();
    void uncreatableRuntimeDirectoryShowsThePlatformText();
    void badReceiptOpensFirstUseWindow_data();
    void badReceiptOpensFirstUseWindow();
    void validReceiptThatCannotLaunchShowsItsError();
    void showErrorResetsBarAndButton();
    void locationsAreFixedAfterFirstRead();
    void lastWindowClosedRule();
};

void StartupTest::repairFlag_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("repair");
    QTest::newRow("no arguments") << QStringList{QStringLiteral("/app/Vellmora")} << false;
    QTest::newRow("flag") << QStringList{QStringLiteral("/app/Vellmora"), QStringLiteral("--repair")} << true;
    QTest::newRow("flag among others") << QStringList{QStringLiteral("/app/Vellmora"), QStringLiteral("-x"),
                                                      QStringLiteral("--repair"), QStringLiteral("y")}
                                       << true;
    QTest::newRow("executable path itself") << QStringList{QStringLiteral("--repair")} << true;
    QTest::newRow("with a value") << QStringList{QStringLiteral("/a"), QStringLiteral("--repair=1")} << false;
    QTest::newRow("one dash") << QStringList{QStringLiteral("/a"), QStringLiteral("-repair")} << false;
    QTest::newRow("other case") << QStringList{QStringLiteral("/a"), QStringLiteral("--Repair")} << false;
    QTest::newRow("padded") << QStringList{QStringLiteral("/a"), QStringLiteral(" --repair")} << false;
}

void StartupTest::repairFlag()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, repair);
    QCOMPARE(startup::hasRepairFlag(arguments), repair);
}

void StartupTest::repairNeverReadsTheReceipt()
{
    Sandbox sandbox;
    // A receipt that could not even be opened would be harmless; make reading it observable by
    // making it a valid receipt whose studio cannot start: without the flag the status would
    // show the launch error.
    const auto launcher = sandbox.launcher({QStringLiteral("/app/Vellmora"), QStringLiteral("--repair")});
    testsupport::writeExecutable(sandbox.path(QStringLiteral("py")), "#!/bin/sh\nexit 0\n");
    testsupport::writeValidReceipt(sandbox, sandbox.path(QStringLiteral("py")));
    launcher->applicationDidFinishLaunching();
    QVERIFY(launcher->setupWindow());
    QVERIFY(launcher->setupWindow()->isVisible());
    QVERIFY(!launcher->hasChild());
    QCOMPARE(launcher->action->text(), QStringLiteral("Start setup"));
}

void StartupTest::missingRuntimeDirectoryIsCreatedWithParents()
{
    Sandbox sandbox;
    QVERIFY(!QFileInfo::exists(sandbox.applicationSupport()));
    const auto launcher = sandbox.launcher();
    launcher->applicationDidFinishLaunching();
    QVERIFY(QFileInfo(sandbox.runtime()).isDir());
    QCOMPARE(launcher->runtime(), sandbox.runtime());
    QVERIFY(launcher->setupWindow()->isVisible());
    QCOMPARE(launcher->action->text(), QStringLiteral("Start setup"));
}

void StartupTest::existingRuntimeDirectoryIsAccepted()
{
    Sandbox sandbox;
    QDir().mkpath(sandbox.runtime());
    // As an earlier version left it, readable by everyone: its logs and receipt become ours alone.
    QFile::setPermissions(sandbox.runtime(),
                          QFile::permissions(sandbox.runtime()) | QFile::ReadOther | QFile::ExeOther);
    const auto launcher = sandbox.launcher();
    launcher->applicationDidFinishLaunching();
    QVERIFY(launcher->setupWindow()->isVisible());
    QCOMPARE(launcher->action->text(), QStringLiteral("Start setup"));
    QCOMPARE(QFileInfo(sandbox.runtime()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

void StartupTest::uncreatableRuntimeDirectoryShowsThePlatformText()
{
    Sandbox sandbox;
    // A file where the "Vellmora" folder should be cannot be replaced by a folder, even as root.
    testsupport::writeFile(sandbox.applicationSupport() + QStringLiteral("/Vellmora"), "not a folder");
    const auto launcher = sandbox.launcher();
    launcher->progress->setValue(40);
    launcher->applicationDidFinishLaunching();
    QVERIFY(launcher->setupWindow()->isVisible());
    QCOMPARE(launcher->status->text(),
             QStringLiteral("Could not create the folder “%1”: Not a directory").arg(sandbox.runtime()));
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
    QVERIFY(launcher->progress->isHidden());
    QCOMPARE(launcher->progress->value(), 0);
}

void StartupTest::badReceiptOpensFirstUseWindow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("{{{");
    QTest::newRow("array") << QByteArray("[]");
    QTest::newRow("scalar") << QByteArray("true");
    QTest::newRow("garbage") << QByteArray("\xde\xad\xbe\xef\x00", 5);
    QTest::newRow("wrong types") << QByteArray(
        R"({"runtime_id": [], "main_python": 1, "seedvc_python": {}, "mlx_python": null, "ffmpeg_path": 3})");
}

void StartupTest::badReceiptOpensFirstUseWindow()
{
    QFETCH(QByteArray, bytes);
    Sandbox sandbox;
    testsupport::writeFile(sandbox.runtime() + QStringLiteral("/runtime.json"), bytes);
    const auto launcher = sandbox.launcher();
    launcher->applicationDidFinishLaunching();
    QVERIFY(launcher->setupWindow()->isVisible());
    QCOMPARE(launcher->action->text(), QStringLiteral("Start setup"));
    QVERIFY(!launcher->hasChild());
}

void StartupTest::validReceiptThatCannotLaunchShowsItsError()
{
    Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    testsupport::writeExecutable(sandbox.path(QStringLiteral("py")), "#!/bin/sh\nexit 0\n");
    testsupport::writeValidReceipt(sandbox, sandbox.path(QStringLiteral("py")));
    // launch.log as a folder cannot be opened for writing: the start fails with the platform text.
    QDir().mkpath(sandbox.runtime() + QStringLiteral("/launch.log"));
    launcher->applicationDidFinishLaunching();
    QVERIFY(launcher->setupWindow()->isVisible());
    QVERIFY(launcher->status->text().contains(QStringLiteral("launch.log")));
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
}

void StartupTest::showErrorResetsBarAndButton()
{
    Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();
    launcher->action->setText(QStringLiteral("Setting up…"));
    launcher->progress->setRange(0, 0);
    launcher->progress->show();
    launcher->cancel->setEnabled(true);
    launcher->showError(QStringLiteral("Something went wrong."));
    QCOMPARE(launcher->status->text(), QStringLiteral("Something went wrong."));
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
    QVERIFY(launcher->progress->isHidden());
    QCOMPARE(launcher->progress->value(), 0);
    QCOMPARE(launcher->progress->maximum(), 100);
    QVERIFY(launcher->cancel->isEnabled()); // buttons' enabled states are not its business
}

void StartupTest::locationsAreFixedAfterFirstRead()
{
    Sandbox sandbox;
    LauncherContext context = sandbox.context();
    StudioLauncher launcher(context);
    const QString runtime = launcher.runtime();
    QCOMPARE(runtime, sandbox.runtime());
    QCOMPARE(launcher.progressURL(), runtime + QStringLiteral("/setup-progress.json"));
    QCOMPARE(launcher.manifestURL(), sandbox.resources() + QStringLiteral("/runtime/runtime-manifest.json"));
    QCOMPARE(launcher.runtime(), runtime);
}

void StartupTest::lastWindowClosedRule()
{
    Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    QVERIFY(launcher->applicationShouldTerminateAfterLastWindowClosed());
    QVERIFY(launcher->applicationShouldTerminate());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
