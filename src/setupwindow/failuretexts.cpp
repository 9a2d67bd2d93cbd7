#include "setupwindow/failuretexts.h"

namespace failuretexts {

std::optional<QString> spaceError(std::optional<qint64> freeBytes)
{
    if (!freeBytes || *freeBytes >= requiredFreeSpace)
        return std::nullopt;
    constexpr auto gib = double(qint64(1) << 30);
    const double available = static_cast<double>(*freeBytes) / gib;
    const double missing = static_cast<double>(requiredFreeSpace - *freeBytes) / gib;
    return QString::asprintf("Setup needs 20 GB free; %.1f GB is available. Free at least %.1f GB, then retry setup.",
                             available, missing);
}

} // namespace failuretexts
