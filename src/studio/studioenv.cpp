#include "studio/studioenv.h"

#include <QJsonValue>

namespace studio {

QString directoryPart(const QString &path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return trimmed.left(slash);
}

std::optional<QString> receiptString(const QJsonObject &receipt, const char *key)
{
    const QJsonValue value = receipt.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

bool namesAnotherGeneration(const QJsonObject &earlier, const QJsonObject &current)
{
    const std::optional<QString> lock = receiptString(current, "generation_lock");
    return lock && lock != receiptString(earlier, "generation_lock");
}

QString searchPath(const QJsonObject &receipt)
{
    const QString ffmpeg = receiptString(receipt, "ffmpeg_path").value_or(QLatin1String(defaultFfmpeg));
    const std::optional<QString> mainBin = receiptString(receipt, "main_bin");
    const QString executables =
        mainBin ? *mainBin : directoryPart(receiptString(receipt, "main_python").value_or(QString()));
    return directoryPart(ffmpeg) + QLatin1Char(':') + executables + QLatin1String(systemSearchPath);
}

QProcessEnvironment isolatedPython(QProcessEnvironment inherited)
{
    inherited.remove(QStringLiteral("PYTHONHOME"));
    inherited.remove(QStringLiteral("PYTHONPATH"));
    inherited.insert(QStringLiteral("PYTHONNOUSERSITE"), QStringLiteral("1"));
    return inherited;
}

QProcessEnvironment studioEnvironment(const QJsonObject &receipt, const QProcessEnvironment &inherited,
                                      const StudioPaths &paths)
{
    QProcessEnvironment environment = isolatedPython(inherited);
    environment.insert(QStringLiteral("PYTHONPATH"), paths.appFolder);
    environment.insert(QStringLiteral("VLMR_RUNTIME_JSON"), paths.receiptPath);
    if (const std::optional<QString> ffmpeg = receiptString(receipt, "ffmpeg_path"))
        environment.insert(QStringLiteral("VLMR_FFMPEG_PATH"), *ffmpeg);
    else
        environment.remove(QStringLiteral("VLMR_FFMPEG_PATH"));
    if (!paths.launcherExecutable.isEmpty())
        environment.insert(QStringLiteral("VLMR_LAUNCHER"), paths.launcherExecutable);
    else
        environment.remove(QStringLiteral("VLMR_LAUNCHER"));
    // Tells the studio which descriptor to keep open for as long as it runs, and out of what it executes.
    if (paths.runtimeLock >= 0)
        environment.insert(QStringLiteral("VLMR_RUNTIME_LOCK_FD"), QString::number(paths.runtimeLock));
    else
        environment.remove(QStringLiteral("VLMR_RUNTIME_LOCK_FD"));
    environment.insert(QStringLiteral("PATH"), searchPath(receipt));
    return environment;
}

} // namespace studio
