#include "localserver.h"
#include "setup/downloadsources.h"
#include "setup/manifest.h"
#include "setup/progressrecord.h"
#include "testsupport.h"

#include "platform/files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <atomic>
#include <future>
#include <thread>

using namespace testsupport;

namespace {

const QString checksumText = QStringLiteral("The Python download failed checksum verification. Please retry setup.");
const QString incompleteText = QStringLiteral("The packaged runtime manifest is incomplete.");
const QString success = QStringLiteral("(success)");
const QString couldNotFinish = QStringLiteral("Setup could not finish. Choose Show details for the log, then retry.");

// Collects every distinct label the record shows while the worker runs.
class RecordWatcher
{
public:
    explicit RecordWatcher(QString path) : path_(std::move(path)), thread_([this] { watch(); }) {}
    ~RecordWatcher() { stop(); }
    QStringList stop()
    {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
        return labels_;
    }
    QList<QJsonObject> records() const { return records_; }

private:
    void watch()
    {
        while (!done_) {
            const auto record = progress::read(path_);
            if (record && !labels_.contains(progress::label(*record))) {
                labels_ << progress::label(*record);
                records_ << *record;
            }
        }
    }
    QString path_;
    std::atomic<bool> done_{false};
    QStringList labels_;
    QList<QJsonObject> records_;
    std::thread thread_;
};

struct Outcome
{
    std::optional<QString> failure;
    int completions = 0;
};

Outcome runWorker(StudioLauncher &launcher)
{
    Outcome outcome;
    launcher.installRuntime([&](std::optional<QString> failure) {
        outcome.failure = std::move(failure);
        ++outcome.completions;
    });
    return outcome;
}

QStringList stagingDirectories(const QString &runtime)
{
    return QDir(runtime).entryList({QStringLiteral("python-*")}, QDir::Dirs);
}

} // namespace

class WorkerTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void happyPathInstallsTheRuntime();
    void verifiedArchiveIsReusedWithoutARequest();
    void partialArchiveIsResumed();
    void failedDownloadStartsOverExactlyOnce();
    void secondDownloadFailureIsReported();
    void refusedDownloadRunsOnce();
    void overlongPartialArchiveStartsOver();
    void droppedConnectionIsRecovered();
    void wrongBytesAreRejected();
    void wrongSizeIsRejected();
    void upperCaseDigestNeverMatches();
    void sourceEntries_data();
    void sourceEntries();
    void manifestRules_data();
    void manifestRules();
    void unreadableManifestGivesThePlatformText();
    void cancelDuringDownloadKeepsThePartialArchive();
    void extractionFailureIsPassedOn();
    void bootstrapFailureIsPassedOnAndLeavesNoGeneration();
    void generationTheReceiptNamesStays();

private:
    std::unique_ptr<Sandbox> sandbox;
    std::unique_ptr<StudioLauncher> launcher;
    RuntimeArchive archive;
    QString serveDir() const { return sandbox->path(QStringLiteral("serve")); }
    QString downloaded() const
    {
        return sandbox->runtime() + QStringLiteral("/downloads/") + archive.sha256 + QStringLiteral(".tar.gz");
    }
    std::unique_ptr<LocalHttpsServer> serve(const QStringList &faults = {}, const QStringList &archiveOptions = {});
};

void WorkerTest::init()
{
    sandbox = std::make_unique<Sandbox>();
    launcher = sandbox->launcher();
    QDir().mkpath(sandbox->runtime());
}

void WorkerTest::cleanup()
{
    launcher.reset();
    sandbox.reset();
}

std::unique_ptr<LocalHttpsServer> WorkerTest::serve(const QStringList &faults, const QStringList &archiveOptions)
{
    QDir().mkpath(serveDir());
    archive = makeRuntimeArchive(serveDir() + QStringLiteral("/runtime.tar.gz"), archiveOptions);
    auto server = std::make_unique<LocalHttpsServer>(archive.path, sandbox->path(QStringLiteral("server")), faults);
    if (server->isListening())
        writeManifest(sandbox->resources(), server->url(), archive.sha256, archive.size);
    return server;
}

// The watcher samples the record, so each worker record must stand for a while: a padded archive
// keeps hashing and extracting busy for tens of milliseconds even on a loaded machine.
const QStringList paddedArchive = {QStringLiteral("--size-padding"), QStringLiteral("40000000")};

void WorkerTest::happyPathInstallsTheRuntime()
{
    const auto server = serve({}, paddedArchive);
    QVERIFY(server->isListening());
    // As a conda or pyenv shell leaves them: the runtime's interpreter must not see them.
    qputenv("PYTHONHOME", "/nonexistent/python-home");
    qputenv("PYTHONPATH", "/nonexistent/python-path");
    // A user's .curlrc must add nothing: verbose would print the proxy's credentials into the log.
    writeFile(sandbox->home() + QStringLiteral("/.curlrc"), "verbose\n");
    qputenv("CURL_HOME", sandbox->home().toUtf8());
    const auto unset = qScopeGuard([] {
        qunsetenv("PYTHONHOME");
        qunsetenv("PYTHONPATH");
        qunsetenv("CURL_HOME");
    });
    const QString log = sandbox->path(QStringLiteral("attempt.log"));
    launcher->openAttemptLog(log);
    RecordWatcher watcher(launcher->progressURL());
    const Outcome outcome = runWorker(*launcher);
    const QStringList labels = watcher.stop();

    QCOMPARE(outcome.completions, 1);
    QCOMPARE(outcome.failure.value_or(success), success);
    QVERIFY(labels.indexOf(QStringLiteral("Downloading the studio runtime…")) == 0);
    QVERIFY(labels.contains(QStringLiteral("Extracting the studio runtime…")));
    QVERIFY(labels.contains(QStringLiteral("Installing the voice engines…")));
    const QJsonObject first = watcher.records().first();
    QCOMPARE(progress::downloadPath(first), downloaded());
    QCOMPARE(progress::downloadTotal(first), archive.size);

    QVERIFY(launcher->validReceipt());
    QVERIFY(QFileInfo::exists(downloaded())); // kept for a later repair
    const QStringList staging = stagingDirectories(sandbox->runtime());
    QCOMPARE(staging.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^python-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
                .match(staging.first())
                .hasMatch());
    QVERIFY(QFileInfo(sandbox->runtime() + QLatin1Char('/') + staging.first()
                      + QStringLiteral("/python/bin/Vellmora Setup"))
                .isSymLink());
    QCOMPARE(server->requests().size(), 1);
    QVERIFY2(!readFile(log).contains("> GET "), readFile(log).left(2000).constData());

    // HTTPS only, also after a redirect, whatever a manifest names: the whole list, in order.
    const QString url = QStringLiteral("https://127.0.0.1/runtime.tar.gz");
    QCOMPARE(manifest::curlArguments(downloaded(), url),
             QStringList({QStringLiteral("-q"), QStringLiteral("--fail"), QStringLiteral("--location"),
                          QStringLiteral("--proto"), QStringLiteral("=https"), QStringLiteral("--proto-redir"),
                          QStringLiteral("=https"), QStringLiteral("--retry"), QStringLiteral("3"),
                          QStringLiteral("--connect-timeout"), QStringLiteral("30"), QStringLiteral("--max-time"),
                          QStringLiteral("1800"), QStringLiteral("--continue-at"), QStringLiteral("-"),
                          QStringLiteral("--output"), downloaded(), url}));
}

void WorkerTest::verifiedArchiveIsReusedWithoutARequest()
{
    const auto server = serve({}, paddedArchive);
    QDir().mkpath(sandbox->runtime() + QStringLiteral("/downloads"));
    QFile::copy(archive.path, downloaded());
    RecordWatcher watcher(launcher->progressURL());
    const Outcome outcome = runWorker(*launcher);
    watcher.stop();
    QCOMPARE(outcome.failure.value_or(success), success);
    QCOMPARE(server->requests().size(), 0);
    const QJsonObject first = watcher.records().first();
    QCOMPARE(progress::label(first), QStringLiteral("Downloading the studio runtime…"));
    QCOMPARE(progress::downloadPath(first), downloaded());
    QCOMPARE(progress::downloadTotal(first), archive.size);
}

void WorkerTest::partialArchiveIsResumed()
{
    const auto server = serve({}, {QStringLiteral("--size-padding"), QStringLiteral("200000")});
    QDir().mkpath(sandbox->runtime() + QStringLiteral("/downloads"));
    const QByteArray whole = readFile(archive.path);
    writeFile(downloaded(), whole.left(70000));
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.failure.value_or(success), success);
    const auto requests = server->requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value(QLatin1String("range")).toString(), QStringLiteral("bytes=70000-"));
    QCOMPARE(readFile(downloaded()), whole);
}

void WorkerTest::failedDownloadStartsOverExactlyOnce()
{
    // curl itself retries a 500 three times, so four failures fail its first run.
    const auto server = serve({QStringLiteral("--fail-first"), QStringLiteral("4")});
    QDir().mkpath(sandbox->runtime() + QStringLiteral("/downloads"));
    writeFile(downloaded(), readFile(archive.path).left(100));
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.failure.value_or(success), success);
    const auto requests = server->requests();
    QCOMPARE(requests.size(), 5);
    QCOMPARE(requests.first().value(QLatin1String("range")).toString(), QStringLiteral("bytes=100-"));
    // The second run starts from nothing: the partial archive was deleted.
    QVERIFY(requests.last().value(QLatin1String("range")).toString().isEmpty());
}

void WorkerTest::secondDownloadFailureIsReported()
{
    archive = makeRuntimeArchive(sandbox->path(QStringLiteral("runtime.tar.gz")));
    // Nothing listens on port 9 of the loopback: both runs fail at once.
    writeManifest(sandbox->resources(), QStringLiteral("https://127.0.0.1:9/runtime.tar.gz"), archive.sha256,
                  archive.size);
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.completions, 1);
    QCOMPARE(outcome.failure.value_or(success), couldNotFinish);
    QVERIFY(stagingDirectories(sandbox->runtime()).isEmpty());
}

void WorkerTest::refusedDownloadRunsOnce()
{
    QDir().mkpath(serveDir());
    archive = makeRuntimeArchive(serveDir() + QStringLiteral("/runtime.tar.gz"));
    const LocalHttpsServer server(serveDir(), sandbox->path(QStringLiteral("server")));
    writeManifest(sandbox->resources(), server.url(QStringLiteral("/missing.tar.gz")), archive.sha256, archive.size);
    const QString log = sandbox->path(QStringLiteral("setup.log"));
    launcher->openAttemptLog(log);
    QCOMPARE(runWorker(*launcher).failure.value_or(success), couldNotFinish);
    QCOMPARE(readFile(log).count("curl: (22) The requested URL returned error: 404"), 1);
}

// curl's 416 for a resume past the end is mended by starting over.
void WorkerTest::overlongPartialArchiveStartsOver()
{
    const auto server = serve();
    writeFile(downloaded(), readFile(archive.path) + "more");
    launcher->openAttemptLog(sandbox->path(QStringLiteral("setup.log")));
    QCOMPARE(runWorker(*launcher).failure.value_or(success), success);
}

void WorkerTest::droppedConnectionIsRecovered()
{
    const auto server = serve({QStringLiteral("--drop-after"), QStringLiteral("5000")},
                              {QStringLiteral("--size-padding"), QStringLiteral("100000")});
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.failure.value_or(success), success);
    QVERIFY(server->requests().size() >= 2);
    QVERIFY(launcher->validReceipt());
}

void WorkerTest::wrongBytesAreRejected()
{
    const auto server = serve({QStringLiteral("--wrong-bytes")});
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.failure.value_or(success), checksumText);
    QVERIFY(!QFileInfo::exists(downloaded()));
    QVERIFY(stagingDirectories(sandbox->runtime()).isEmpty());
}

void WorkerTest::wrongSizeIsRejected()
{
    const auto server = serve();
    writeManifest(sandbox->resources(), server->url(), archive.sha256, archive.size + 1);
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.failure.value_or(success), checksumText);
    QVERIFY(!QFileInfo::exists(downloaded()));
}

void WorkerTest::upperCaseDigestNeverMatches()
{
    const auto server = serve();
    writeManifest(sandbox->resources(), server->url(), archive.sha256.toUpper(), archive.size);
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.failure.value_or(success), checksumText);
    QCOMPARE(server->requests().size(), 1);
}

void WorkerTest::sourceEntries_data()
{
    QTest::addColumn<QString>("entry"); // {root}: the sandbox
    QTest::addColumn<QString>("why");   // empty when usable
    const auto row = [](const char *name, const char *entry, const char *why) {
        QTest::newRow(name) << QString::fromUtf8(entry) << QString::fromUtf8(why);
    };
    row("https", "https://m/pbs/", "");
    row("folder", "file://{root}", "");
    row("plain http", "http://m/", "plain http: is not allowed, only https:");
    row("ftp", "ftp://m/", "only https: and file: URLs can be used");
    row("relative path", "m/pbs", "a relative path, not a URL");
    row("path", "{root}", "a path, not a URL (a folder is written file:///path/to/folder)");
    row("no folder", "file://{root}/missing", "not a folder on this computer");
    row("a file", "file://{root}/bundle/Contents/Info.plist", "not a folder on this computer");
    row("query", "https://m/?key=1", "a URL with a query or fragment cannot be used");
    row("not a URL", "https://[::1", "not a URL");
}

void WorkerTest::sourceEntries()
{
    QFETCH(QString, entry);
    QFETCH(QString, why);
    entry.replace(QStringLiteral("{root}"), sandbox->root());
    const sources::Sorted sorted = sources::sort({entry}, QStringLiteral("engine-indexes"), platform::isDirectory);
    const QString line = QStringLiteral("Download source skipped: “%1” in engine-indexes: %2\n").arg(entry, why);
    QCOMPARE(sorted.skipped.value(0), why.isEmpty() ? QString() : line);
    QCOMPARE(sorted.usable.size(), why.isEmpty() ? 1 : 0);
}

void WorkerTest::manifestRules_data()
{
    QTest::addColumn<QByteArray>("manifest");
    const QByteArray quoted = '"' + QByteArray(64, 'a') + '"';
    const auto entry = [](const QByteArray &url, const QByteArray &sha256, const QByteArray &size) -> QByteArray {
        return QByteArray(R"({"python": {"url": )") + url + R"(, "sha256": )" + sha256 + R"(, "size": )" + size + "}}";
    };
    QTest::newRow("plain http") << entry("\"http://127.0.0.1/r.tar.gz\"", quoted, "10");
    QTest::newRow("scheme in capitals") << entry("\"HTTPS://127.0.0.1/r.tar.gz\"", quoted, "10");
    QTest::newRow("size as a string") << entry("\"https://127.0.0.1/r\"", quoted, "\"10\"");
    QTest::newRow("size 12.5") << entry("\"https://127.0.0.1/r\"", quoted, "12.5");
    QTest::newRow("url a number") << entry("1", quoted, "10");
    QTest::newRow("sha256 a number") << entry("\"https://127.0.0.1/r\"", "5", "10");
    QTest::newRow("sha256 with a slash") << entry("\"https://127.0.0.1/r\"", "\"../../../outside\"", "10");
    QTest::newRow("sha256 empty") << entry("\"https://127.0.0.1/r\"", "\"\"", "10");
    QTest::newRow("sha256 dot") << entry("\"https://127.0.0.1/r\"", "\".\"", "10");
    QTest::newRow("sha256 dot dot") << entry("\"https://127.0.0.1/r\"", "\"..\"", "10");
    QTest::newRow("missing size") << QByteArray(R"({"python": {"url": "https://127.0.0.1/r", "sha256": "ab"}})");
    QTest::newRow("missing python") << QByteArray(R"({"runtime": {}})");
    QTest::newRow("python not an object") << QByteArray(R"({"python": "https://127.0.0.1/r"})");
    QTest::newRow("top level an array") << QByteArray("[]");
}

void WorkerTest::manifestRules()
{
    QFETCH(QByteArray, manifest);
    writeFile(launcher->manifestURL(), manifest);
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.completions, 1);
    QCOMPARE(outcome.failure.value_or(success), incompleteText);
    QVERIFY(!QFileInfo::exists(sandbox->runtime() + QStringLiteral("/downloads")));
    QVERIFY(!QFileInfo::exists(sandbox->path(QStringLiteral("outside.tar.gz"))));
}

void WorkerTest::unreadableManifestGivesThePlatformText()
{
    QFile::remove(launcher->manifestURL());
    Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.failure.value_or(success),
             QStringLiteral("Could not read “%1”: No such file or directory").arg(launcher->manifestURL()));
    writeFile(launcher->manifestURL(), "{\"python\": ");
    outcome = runWorker(*launcher);
    QVERIFY(outcome.failure && outcome.failure->startsWith(QStringLiteral("Could not parse")));
    QVERIFY(!QFileInfo::exists(sandbox->runtime() + QStringLiteral("/downloads")));
}

void WorkerTest::cancelDuringDownloadKeepsThePartialArchive()
{
    const auto server = serve({QStringLiteral("--slow"), QStringLiteral("50000")},
                              {QStringLiteral("--size-padding"), QStringLiteral("2000000")});
    auto result = std::async(std::launch::async, [this] { return runWorker(*launcher); });
    QTRY_VERIFY_WITH_TIMEOUT(platform::fileSize(downloaded()).value_or(0) > 0, 20000);
    launcher->cancelSetup();
    QCOMPARE(result.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    const Outcome outcome = result.get();
    QCOMPARE(outcome.completions, 1);
    QCOMPARE(outcome.failure.value_or(success), QStringLiteral("Setup cancelled."));
    QCOMPARE(server->requests().size(), 1);
    QVERIFY(platform::fileSize(downloaded()).value_or(0) > 0);
    QVERIFY(!anyProcessMentions(downloaded().toUtf8()));
    QVERIFY(!launcher->hasChild());
}

void WorkerTest::extractionFailureIsPassedOn()
{
    const QByteArray notAnArchive(4096, 'x');
    QDir().mkpath(serveDir());
    writeFile(serveDir() + QStringLiteral("/runtime.tar.gz"), notAnArchive);
    archive = {serveDir() + QStringLiteral("/runtime.tar.gz"),
               QString::fromLatin1(QCryptographicHash::hash(notAnArchive, QCryptographicHash::Sha256).toHex()),
               notAnArchive.size()};
    LocalHttpsServer server(archive.path, sandbox->path(QStringLiteral("server")));
    writeManifest(sandbox->resources(), server.url(), archive.sha256, archive.size);
    const Outcome outcome = runWorker(*launcher);
    QCOMPARE(outcome.failure.value_or(success), couldNotFinish);
    QCOMPARE(QDir(sandbox->runtime()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList({QStringLiteral("downloads")}));
}

// A bootstrap that exits before it holds its generation gives nothing back itself.
void WorkerTest::bootstrapFailureIsPassedOnAndLeavesNoGeneration()
{
    const auto server = serve({}, {QStringLiteral("--fail-bootstrap")});
    QCOMPARE(runWorker(*launcher).failure.value_or(success), couldNotFinish);
    QCOMPARE(runWorker(*launcher).failure.value_or(success), couldNotFinish);
    QVERIFY(stagingDirectories(sandbox->runtime()).isEmpty());
    QCOMPARE(server->requests().size(), 1); // the second attempt reused the verified archive
}

void WorkerTest::generationTheReceiptNamesStays()
{
    // Names its generation, then fails, as a cancel just after the switch ends it.
    writeFile(sandbox->resources() + QStringLiteral("/runtime/bootstrap.py"),
              "import glob, json, sys\n"
              "root = sys.argv[sys.argv.index('--runtime-root') + 1]\n"
              "json.dump({'main_python': glob.glob(root + '/python-*')[0] + '/envs/main/bin/python'},\n"
              "          open(root + '/runtime.json', 'w'))\n"
              "sys.exit(1)\n");
    const auto server = serve();
    QCOMPARE(runWorker(*launcher).failure.value_or(success), couldNotFinish);
    QCOMPARE(stagingDirectories(sandbox->runtime()).size(), 1);
}

QTEST_MAIN(WorkerTest)
#include "tst_worker.moc"
