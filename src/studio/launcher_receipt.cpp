#include "shell/launcher.h"

#include "platform/files.h"
#include "studio/receipt.h"

std::optional<QJsonObject> StudioLauncher::validReceipt() const
{
    QByteArray bytes;
    try {
        bytes = platform::readWholeFile(runtime() + QStringLiteral("/runtime.json"));
    } catch (const std::exception &) {
        return std::nullopt;
    }
    const auto manifestDigest = [this]() -> std::optional<QString> {
        try {
            return receipt::hash(manifestURL());
        } catch (const std::exception &) {
            return std::nullopt; // a missing manifest invalidates every receipt
        }
    };
    return receipt::validate(bytes, manifestDigest, platform::isExecutableFile);
}
