#pragma once

#include <QString>
#include <optional>

namespace platform {

qint64 physicalMemory();
// Free bytes for unprivileged users on the volume holding `path`; none when unknown.
std::optional<qint64> freeSpace(const QString &path);

} // namespace platform
