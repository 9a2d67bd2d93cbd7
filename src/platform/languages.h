#pragma once

#include <QStringList>

namespace platform {

// The user's preferred languages, most preferred first, as the system spells them: on macOS the
// order of Language & Region; elsewhere LANGUAGE, then the messages locale (LC_ALL, LC_MESSAGES,
// LANG), or only "C" when that locale is unset, C or POSIX, which sets no language.
QStringList preferredLanguages();

} // namespace platform
