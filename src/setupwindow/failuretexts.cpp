#include "setupwindow/failuretexts.h"

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

} // namespace failuretexts
