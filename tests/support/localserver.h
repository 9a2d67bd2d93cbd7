#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

// tests/support/https_server.py on 127.0.0.1 with a certificate of its own. While it runs,
// CURL_CA_BUNDLE points this process (and so every curl it starts) at that certificate.
class LocalHttpsServer
{
public:
    // `root` is the file (or folder) to serve; `faults` are the server's fault flags.
    LocalHttpsServer(const QString &root, QString workDir, const QStringList &faults = {});
    ~LocalHttpsServer();
    LocalHttpsServer(const LocalHttpsServer &) = delete;
    LocalHttpsServer &operator=(const LocalHttpsServer &) = delete;

    bool isListening() const { return port > 0; }
    QString url(const QString &path = QStringLiteral("/runtime.tar.gz")) const;
    QList<QJsonObject> requests() const; // one per request: method, path, range, status
    void stop();

private:
    QProcess process;
    QString workDir;
    int port = 0;
};

struct RuntimeArchive
{
    QString path;
    QString sha256;
    qint64 size = 0;
};

// tests/support/make_runtime_archive.py: the machine's CPython laid out as a standalone build (an sh
// script running the test interpreter on macOS), or, with --fail-bootstrap or --fail-message, an sh
// script standing in for a failing interpreter.
RuntimeArchive makeRuntimeArchive(const QString &path, const QStringList &options = {});

// Writes a manifest for `archive` served at `url` into the sandbox resources, with the digest of the
// runtime folder there (call it after changing that folder).
void writeManifest(const QString &resources, const QString &url, const QString &sha256, qint64 size);

// tests/support/wheelhouse.py's stand-in engine carried in resources/runtime/wheels, named by the main lock.
inline constexpr char demoEngine[] = "vellmora_demo_engine";
void addDemoEngine(const QString &resources);

} // namespace testsupport
