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

// tests/support/make_runtime_archive.py: python/bin/python3 running the test interpreter.
RuntimeArchive makeRuntimeArchive(const QString &path, const QStringList &options = {});

// Writes a manifest for `archive` served at `url` into the sandbox resources.
void writeManifest(const QString &resources, const QString &url, const QString &sha256, qint64 size);

} // namespace testsupport
