#include "studio/receipt.h"

#include "platform/files.h"
#include "platform/sha256.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonValue>
#include <vector>

namespace receipt {

QString hash(const QString &path)
{
    platform::FileHandle file = platform::openForReading(path);
    platform::Sha256 digest;
    std::vector<char> chunk(static_cast<std::size_t>(hashChunkSize));
    while (const std::size_t n = platform::readSome(file, chunk.data(), chunk.size(), path))
        digest.update(chunk.data(), n);
    return QString::fromLatin1(digest.finish().toHex());
}

std::optional<QJsonObject> validate(const QByteArray &receiptBytes,
                                    const std::function<std::optional<QString>()> &manifestDigest,
                                    const std::function<bool(const QString &)> &isExecutable)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(receiptBytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const std::optional<QString> digest = manifestDigest();
    if (!digest)
        return std::nullopt;
    const QJsonValue runtimeId = object.value(QLatin1String("runtime_id"));
    if (!runtimeId.isString() || runtimeId.toString() != *digest)
        return std::nullopt;
    for (const char *key : {"main_python", "seedvc_python", "mlx_python"}) {
        if (!object.value(QLatin1String(key)).isString())
            return std::nullopt;
    }
    for (const char *key : {"mlx_python", "main_python", "seedvc_python"}) {
        if (!isExecutable(object.value(QLatin1String(key)).toString()))
            return std::nullopt;
    }
    return object;
}

bool namesFolder(const QJsonObject &receipt, const QString &folder)
{
    const QString place = QDir::cleanPath(folder);
    if (place.isEmpty())
        return false;
    for (auto member = receipt.begin(); member != receipt.end(); ++member) {
        const QString path = QDir::cleanPath(member.value().toString());
        if (member.key() != QLatin1String("runtime_id") && member.value().isString()
            && (path == place || path.startsWith(place + QLatin1Char('/'))))
            return true;
    }
    return false;
}

} // namespace receipt
