#include "setup/failuretexts.h"

#include "shell/texts.h"

namespace failuretexts {

std::optional<QString> spaceError(std::optional<qint64> freeBytes)
{
    if (!freeBytes || *freeBytes >= requiredFreeSpace)
        return std::nullopt;
    constexpr auto gib = double(qint64(1) << 30);
    const double available = static_cast<double>(*freeBytes) / gib;
    const double missing = static_cast<double>(requiredFreeSpace - *freeBytes) / gib;
    return texts::spaceNeeded.arg(QString::number(available, 'f', 1), QString::number(missing, 'f', 1));
}

bool saysDiskFull(const QString &text)
{
    return text.contains(QLatin1String("No space left on device")) || text.contains(QLatin1String("ENOSPC"));
}

QString attemptFailure(const QString &workerText, const std::optional<QString> &recorded, const QByteArray &log)
{
    if (saysDiskFull(workerText) || saysDiskFull(recorded.value_or(QString())) || saysDiskFull(QString::fromUtf8(log)))
        return texts::diskFull.arg(requiredFreeSpace >> 30);
    if (recorded && !recorded->isEmpty())
        return *recorded;
    return workerText;
}

} // namespace failuretexts
