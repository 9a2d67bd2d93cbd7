#pragma once

#include "platform/plist.h"

#include <QString>
#include <optional>

// Giving an unpacked interpreter the launcher's identity.
namespace branding {

// The launcher's own bundle identifier; a branded interpreter's is this, a full stop and its role.
QString baseIdentifier();
// The link that stands in for the interpreter: the display name followed by " Setup".
QString linkName(const QString &name);

// The information dictionary in the Info.plist at `path`; none when it is missing, unreadable
// or not a property-list dictionary.
std::optional<platform::PlistDictionary> readInfo(const QString &path);
// True when the dictionary exists and names this very launcher: its "CFBundleIdentifier" is
// the base identifier and its "CFBundleName" is `name`, both as strings.
bool identityMatches(const std::optional<platform::PlistDictionary> &info, const QString &name);
// The dictionary for the interpreter directory: four keys replaced, every other key kept.
platform::PlistDictionary brandedInfo(platform::PlistDictionary info, const QString &name, const QString &role);

} // namespace branding
