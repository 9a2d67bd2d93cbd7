// The receipt rules on arbitrary bytes: a receipt validates only with string interpreters that
// were each asked about, and a runtime id equal to the manifest's digest.
#include "fuzzcheck.h"

#include "studio/receipt.h"

#include <QJsonValue>
#include <QStringList>

namespace {

const QString manifestDigest = QStringLiteral("5f1c2a9e0d4b7c3a8e6f1d2c9b0a7e4d3c2b1a0f9e8d7c6b5a4f3e2d1c0b9a8f");
const char *const interpreterKeys[] = {"main_python", "seedvc_python", "mlx_python"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytes(data, size);
    int digestAsked = 0;
    const auto digest = [&] {
        ++digestAsked;
        return std::optional<QString>(manifestDigest);
    };
    QStringList asked;
    const auto executable = [&](const QString &path) {
        asked << path;
        return true;
    };

    const std::optional<QJsonObject> receipt = receipt::validate(bytes, digest, executable);
    FUZZ_REQUIRE(digestAsked <= 1);
    if (receipt) {
        FUZZ_REQUIRE(receipt->value(QLatin1String("runtime_id")) == QJsonValue(manifestDigest));
        FUZZ_REQUIRE(asked.size() == 3);
        for (const char *key : interpreterKeys) {
            const QJsonValue interpreter = receipt->value(QLatin1String(key));
            FUZZ_REQUIRE(interpreter.isString());
            FUZZ_REQUIRE(asked.contains(interpreter.toString()));
        }
    }

    // Without a digest, or with one interpreter refused, nothing validates.
    FUZZ_REQUIRE(!receipt::validate(
        bytes, [] { return std::optional<QString>(); }, executable));
    FUZZ_REQUIRE(!receipt::validate(bytes, digest, [](const QString &) { return false; }));
    return 0;
}
