#include "localserver.h"

#include "testsupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QThread>
#include <stdexcept>

namespace testsupport {

namespace {
QString supportScript(const char *name)
{
    return sourceDir() + QStringLiteral("/tests/support/") + QLatin1String(name);
}
} // namespace

LocalHttpsServer::LocalHttpsServer(const QString &root, QString directory, const QStringList &faults)
    : workDir(std::move(directory))
{
    const QString portFile = workDir + QStringLiteral("/port");
    QFile::remove(portFile);
    QStringList arguments{supportScript("https_server.py"),
                          QStringLiteral("--root"),
                          root,
                          QStringLiteral("--cert-dir"),
                          workDir + QStringLiteral("/cert"),
                          QStringLiteral("--port-file"),
                          portFile,
                          QStringLiteral("--log"),
                          workDir + QStringLiteral("/requests.log"),
                          QStringLiteral("--max-seconds"),
                          QStringLiteral("300")};
    arguments += faults;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(testPython(), arguments);
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        const QByteArray text = readFile(portFile).trimmed();
        if (!text.isEmpty()) {
            port = text.toInt();
            break;
        }
        QThread::msleep(50);
    }
    if (port > 0)
        qputenv("CURL_CA_BUNDLE", QFile::encodeName(workDir + QStringLiteral("/cert/cert.pem")));
}

LocalHttpsServer::~LocalHttpsServer()
{
    stop();
}

QString LocalHttpsServer::url(const QString &path) const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(port).arg(path);
}

QList<QJsonObject> LocalHttpsServer::requests() const
{
    QList<QJsonObject> result;
    for (const QByteArray &line : readFile(workDir + QStringLiteral("/requests.log")).split('\n')) {
        if (!line.trimmed().isEmpty())
            result << QJsonDocument::fromJson(line).object();
    }
    return result;
}

void LocalHttpsServer::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

namespace {
// The stand-ins that fail on purpose are sh scripts; everything else gets the real interpreter.
QStringList interpreterOptions(const QStringList &options)
{
    QStringList script{QStringLiteral("--python"), testPython()};
    if (options.contains(QStringLiteral("--fail-bootstrap")) || options.contains(QStringLiteral("--fail-message")))
        return script;
#ifdef __linux__
    return {QStringLiteral("--relocatable"), QStringLiteral("--cache"),
            QStringLiteral(VLMR_BUILD_DIR) + QStringLiteral("/runtime-archive-cache")};
#else
    // A macOS framework build finds its library through the framework, not beside the executable,
    // so a copy of it is no standalone build: there the test interpreter runs behind an sh script.
    return script;
#endif
}

void runPythonScript(const QString &path, const QStringList &arguments)
{
    QProcess script;
    script.start(testPython(), QStringList{path} + arguments);
    if (!script.waitForFinished(60000) || script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0)
        throw std::runtime_error(path.toStdString() + " failed: " + script.readAllStandardError().toStdString());
}
} // namespace

RuntimeArchive makeRuntimeArchive(const QString &path, const QStringList &options)
{
    QProcess maker;
    maker.start(testPython(),
                QStringList{supportScript("make_runtime_archive.py"), path} + interpreterOptions(options) + options);
    if (!maker.waitForFinished(60000) || maker.exitCode() != 0)
        throw std::runtime_error("make_runtime_archive.py failed: " + maker.readAllStandardError().toStdString());
    const QJsonObject result = QJsonDocument::fromJson(maker.readAllStandardOutput()).object();
    return {result.value(QLatin1String("path")).toString(), result.value(QLatin1String("sha256")).toString(),
            static_cast<qint64>(result.value(QLatin1String("size")).toDouble())};
}

void writeManifest(const QString &resources, const QString &url, const QString &sha256, qint64 size)
{
    const QJsonObject python{{QStringLiteral("url"), url},
                             {QStringLiteral("sha256"), sha256},
                             {QStringLiteral("size"), static_cast<double>(size)}};
    const QString manifest = resources + QStringLiteral("/runtime/runtime-manifest.json");
    writeFile(manifest, QJsonDocument(QJsonObject{{QStringLiteral("python"), python}}).toJson());
    // As the build writes it: with the digest of what setup installs from this copy.
    runPythonScript(sourceDir() + QStringLiteral("/scripts/make-manifest"),
                    {QStringLiteral("--bundle"), manifest, resources + QStringLiteral("/runtime"), manifest});
}

void addDemoEngine(const QString &resources)
{
    runPythonScript(supportScript("wheelhouse.py"),
                    {resources + QStringLiteral("/runtime/wheels"), QStringLiteral("--lock"),
                     resources + QStringLiteral("/runtime/engines/pylock.main.toml")});
}

} // namespace testsupport
