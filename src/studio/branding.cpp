#include "studio/branding.h"

#include "platform/files.h"

#include <exception>

namespace branding {

QString baseIdentifier()
{
    return QStringLiteral(VLMR_BUNDLE_ID);
}

QString linkName(const QString &name)
{
    return name + QStringLiteral(" Setup");
}

std::optional<platform::PlistDictionary> readInfo(const QString &path)
{
    try {
        return platform::PlistDictionary::fromBytes(platform::readWholeFile(path));
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

bool identityMatches(const std::optional<platform::PlistDictionary> &info, const QString &name)
{
    return info && info->string("CFBundleIdentifier") == baseIdentifier() && info->string("CFBundleName") == name;
}

platform::PlistDictionary brandedInfo(platform::PlistDictionary info, const QString &name, const QString &role)
{
    // Built from the constant, never from the dictionary's own value.
    info.setString("CFBundleIdentifier", baseIdentifier() + QLatin1Char('.') + role);
    info.setString("CFBundleExecutable", linkName(name));
    info.setString("CFBundleName", name);
    info.setString("CFBundleDisplayName", name);
    return info;
}

} // namespace branding
