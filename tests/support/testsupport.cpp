#include "testsupport.h"

#include "studio/receipt.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
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
    QDir().mkpath(path(QStringLiteral("home")));
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

bool anyProcessMentions(const QByteArray &marker)
{
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QByteArray cmdline = readFile(it.next() + QStringLiteral("/cmdline"));
        if (cmdline.contains(marker) && !cmdline.contains("https_server.py"))
            return true;
    }
    return false;
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
