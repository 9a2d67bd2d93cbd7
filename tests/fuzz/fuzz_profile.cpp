// The saved model profile on arbitrary bytes: one of the two profiles or none, and what the
// launcher saves reads back as itself.
#include "fuzzcheck.h"

#include "setupwindow/modelprofile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::optional<QString> profile = modelprofile::parseSaved(fuzz::bytes(data, size));
    if (profile) {
        FUZZ_REQUIRE(*profile == QLatin1String("compact") || *profile == QLatin1String("full"));
        FUZZ_REQUIRE(modelprofile::parseSaved(modelprofile::serialise(*profile)) == profile);
    }
    return 0;
}
