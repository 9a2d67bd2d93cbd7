// The information dictionary on arbitrary bytes: the identity check answers without failing,
// and a branded copy of any dictionary carries the launcher's identity for its role.
#include "fuzzcheck.h"

#include "studio/branding.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::optional<platform::PlistDictionary> info = platform::PlistDictionary::fromBytes(fuzz::bytes(data, size));
    const QString name = QStringLiteral("Vellmora");
    const bool matches = branding::identityMatches(info, name);
    FUZZ_REQUIRE(!matches || info->string("CFBundleIdentifier") == branding::baseIdentifier());
    if (!info)
        return 0;

    const platform::PlistDictionary branded = branding::brandedInfo(*info, name, QStringLiteral("main"));
    FUZZ_REQUIRE(branded.string("CFBundleName") == name);
    FUZZ_REQUIRE(branded.string("CFBundleIdentifier") == branding::baseIdentifier() + QStringLiteral(".main"));
    FUZZ_REQUIRE(branded.string("CFBundleExecutable") == branding::linkName(name));
    FUZZ_REQUIRE(info->string("CFBundleShortVersionString") == branded.string("CFBundleShortVersionString"));
    // Branding never changes the dictionary it was given.
    FUZZ_REQUIRE(branding::identityMatches(info, name) == matches);

    QByteArray xml;
    try {
        xml = branded.toXml();
    } catch (const std::runtime_error &) {
        return 0;
    }
    const std::optional<platform::PlistDictionary> reread = platform::PlistDictionary::fromBytes(xml);
    FUZZ_REQUIRE(reread.has_value());
    FUZZ_REQUIRE(reread->string("CFBundleIdentifier") == branded.string("CFBundleIdentifier"));
    FUZZ_REQUIRE(reread->string("CFBundleDisplayName") == name);
    return 0;
}
