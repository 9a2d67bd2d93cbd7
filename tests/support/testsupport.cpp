#include "testsupport.h"

#include "studio/receipt.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <stdexcept>

namespace testsupport {

QString sourceDir()
{
    return QStringLiteral(VLMR_SOURCE_DIR);
}
QString bundleDir()
{
    return QStringLiteral(VLMR_BUNDLE_DIR);
}
QString bundleExecutable()
{
    return bundleDir() + QStringLiteral("/Contents/MacOS/Vellmora");
}
QString testPython()
{
    return QStringLiteral(VLMR_TEST_PYTHON);
}

Sandbox::Sandbox()
{
    if (!dir.isValid())
        throw std::runtime_error("no temporary folder");
    copyTree(bundleDir() + QStringLiteral("/Contents/Resources"), resources());
    QFile::copy(bundleDir() + QStringLiteral("/Contents/Info.plist"), infoPlist());
    QDir().mkpath(home());
}

QString Sandbox::applicationSupport() const
{
#ifdef __APPLE__
    return home() + QStringLiteral("/Library/Application Support");
#else
    return path(QStringLiteral("data"));
#endif
}

LauncherContext Sandbox::context(const QStringList &arguments, qint64 memory) const
{
    LauncherContext context;
    context.resources = resources();
    context.infoPlist = infoPlist();
    context.applicationSupport = applicationSupport();
    context.arguments = arguments.isEmpty() ? QStringList{bundleExecutable()} : arguments;
    context.executablePath = bundleExecutable();
    context.physicalMemory = [memory] { return memory; };
    context.downloadSettings = [settings = downloadSettings] { return settings; };
    if (fakeFreeSpace)
        context.freeSpace = [bytes = freeSpace](const QString &) { return bytes; };
    return context;
}

std::unique_ptr<StudioLauncher> Sandbox::launcher(const QStringList &arguments, qint64 memory) const
{
    return std::make_unique<StudioLauncher>(context(arguments, memory));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeExecutable(const QString &path, const QByteArray &script)
{
    writeFile(path, script);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                                    | QFileDevice::ExeOther);
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(source, target);
    }
}

namespace {
QByteArrayList commandLines()
{
    QByteArrayList lines;
#ifdef __linux__
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext())
        lines.append(readFile(it.next() + QStringLiteral("/cmdline")));
#else
    // macOS has no /proc; ps prints every process's whole command line, one a line.
    QProcess ps;
    ps.start(QStringLiteral("/bin/ps"), {QStringLiteral("-axww"), QStringLiteral("-o"), QStringLiteral("command=")});
    if (!ps.waitForFinished() || ps.exitCode() != 0)
        throw std::runtime_error("ps could not list the processes");
    lines = ps.readAllStandardOutput().split('\n');
#endif
    return lines;
}
} // namespace

bool anyProcessMentions(const QByteArray &marker)
{
    const QByteArrayList lines = commandLines();
    return std::any_of(lines.begin(), lines.end(), [&marker](const QByteArray &line) {
        return line.contains(marker) && !line.contains("https_server.py");
    });
}

void useSandboxHome(QProcessEnvironment &environment, const Sandbox &sandbox)
{
    environment.insert(QStringLiteral("XDG_DATA_HOME"), sandbox.applicationSupport());
    environment.insert(QStringLiteral("HOME"), sandbox.home());
#ifdef __APPLE__
    // Foundation takes the home from the user database, not from HOME, unless this is set.
    environment.insert(QStringLiteral("CFFIXED_USER_HOME"), sandbox.home());
#endif
}

void writeValidReceipt(const Sandbox &sandbox, const QString &python)
{
    const QJsonObject receipt{{QStringLiteral("runtime_id"),
                               receipt::hash(sandbox.resources() + QStringLiteral("/runtime/runtime-manifest.json"))},
                              {QStringLiteral("main_python"), python},
                              {QStringLiteral("seedvc_python"), python},
                              {QStringLiteral("mlx_python"), python}};
    writeFile(sandbox.runtime() + QStringLiteral("/runtime.json"), QJsonDocument(receipt).toJson());
}

} // namespace testsupport
