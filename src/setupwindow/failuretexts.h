#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace failuretexts {

inline constexpr qint64 requiredFreeSpace = qint64(20) << 30;

// The refusal when the runtime's volume has less than 20 GiB free; none when there is room or
// the free space is unknown (setup is not held up by what it cannot measure).
std::optional<QString> spaceError(std::optional<qint64> freeBytes);

// The text a failed step left in the progress record; none when the record is absent, not
// "failed", or carries no string message. An empty message is a text.
std::optional<QString> failureText(const std::optional<QJsonObject> &record);

inline constexpr const char *noAttemptYet = "Start setup to see this attempt's log.";

} // namespace failuretexts
