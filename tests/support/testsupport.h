#pragma once

#include "shell/launcher.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

// Paths of the build under test.
QString sourceDir();
QString bundleDir();        // build/Vellmora.app
QString bundleExecutable(); // build/Vellmora.app/Contents/MacOS/Vellmora
QString testPython();       // the Debian python3 the tests use for scripts

// A scratch folder per test: its own copy of the bundle resources, an Application Support
// folder and a home, so no test touches the real home directory.
class Sandbox
{
public:
    Sandbox();
    QString root() const { return dir.path(); }
    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QString resources() const { return path(QStringLiteral("bundle/Contents/Resources")); }
    QString infoPlist() const { return path(QStringLiteral("bundle/Contents/Info.plist")); }
    QString home() const { return path(QStringLiteral("home")); }
    QString applicationSupport() const; // where the platform puts it for useSandboxHome()
    QString runtime() const { return applicationSupport() + QStringLiteral("/Vellmora/runtime"); }

    LauncherContext context(const QStringList &arguments = {}, qint64 memory = qint64(32) << 30) const;
    // Makes launchers from this sandbox see `bytes` free (none: the volume cannot be asked).
    void setFreeSpace(std::optional<qint64> bytes)
    {
        freeSpace = bytes;
        fakeFreeSpace = true;
    }
    std::unique_ptr<StudioLauncher> launcher(const QStringList &arguments = {}, qint64 memory = qint64(32) << 30) const;
    platform::DownloadSettings downloadSettings; // what its launchers read, never the user's own

private:
    QTemporaryDir dir;
    bool fakeFreeSpace = false;
    std::optional<qint64> freeSpace;
};

void writeFile(const QString &path, const QByteArray &bytes); // creates parent folders
QByteArray readFile(const QString &path);
// Writes an executable script (mode 0755).
void writeExecutable(const QString &path, const QByteArray &script);
void copyTree(const QString &from, const QString &to);
// True while any process's command line (other than the test server's) contains `marker`.
bool anyProcessMentions(const QByteArray &marker);
// Makes a launcher started with `environment` find its home and Application Support in the sandbox.
void useSandboxHome(QProcessEnvironment &environment, const Sandbox &sandbox);
// A receipt that validates against the sandbox's manifest, all three interpreters `python`.
void writeValidReceipt(const Sandbox &sandbox, const QString &python);

} // namespace testsupport
