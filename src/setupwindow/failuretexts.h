#pragma once

#include <QString>

#include <optional>

namespace failuretexts {

inline constexpr qint64 requiredFreeSpace = qint64(20) << 30;

// The refusal when the runtime's volume has less than 20 GiB free; none when there is room or
// the free space is unknown (setup is not held up by what it cannot measure).
std::optional<QString> spaceError(std::optional<qint64> freeBytes);

} // namespace failuretexts
