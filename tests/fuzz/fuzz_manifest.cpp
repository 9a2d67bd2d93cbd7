// The packaged manifest on arbitrary bytes: either a sound archive entry, the parser's error for
// bytes that are not JSON, or the one "incomplete" sentence. Nothing else escapes.
#include "fuzzcheck.h"

#include "setup/manifest.h"
#include "shell/setuperror.h"

#include <QJsonDocument>

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytes(data, size);
    const QString path = QStringLiteral("/bundle/Resources/runtime/runtime-manifest.json");
    QJsonParseError parseError{};
    QJsonDocument::fromJson(bytes, &parseError);
    const bool isJson = parseError.error == QJsonParseError::NoError;
    try {
        const manifest::RuntimeArchive archive = manifest::parse(bytes, path);
        FUZZ_REQUIRE(isJson);
        FUZZ_REQUIRE(archive.url.startsWith(QLatin1String("https://")));
        FUZZ_REQUIRE(manifest::isSafeFileName(archive.sha256));
        const QStringList arguments =
            manifest::curlArguments(QStringLiteral("/downloads/") + archive.sha256, archive.url);
        FUZZ_REQUIRE(arguments.last() == archive.url);
    } catch (const SetupError &error) {
        FUZZ_REQUIRE(isJson);
        FUZZ_REQUIRE(error.message() == QStringLiteral("The packaged runtime manifest is incomplete."));
    } catch (const std::runtime_error &error) {
        FUZZ_REQUIRE(!isJson);
        FUZZ_REQUIRE(QString::fromUtf8(error.what()).contains(path));
    }
    return 0;
}
