#pragma once

#include <QString>
#include <exception>
#include <system_error>

namespace platform {

// The launcher's wording of an OS failure: `Could not read “/path”: No such file or directory`.
std::system_error systemError(const char *operation, const QString &path, int error);

// The user-facing text of any exception the launcher passes on.
QString errorText(const std::exception &error);

} // namespace platform
