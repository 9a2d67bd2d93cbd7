#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

namespace receipt {

inline constexpr qint64 hashChunkSize = 1048576;

// Lower-case hexadecimal SHA-256 of a file, read in 1 MiB chunks; throws the platform's error.
QString hash(const QString &path);

// The receipt rules on bytes already read. `manifestDigest` is asked only once the receipt
// parses, and answers none when the packaged manifest cannot be hashed; `isExecutable` answers
// for each interpreter path.
std::optional<QJsonObject> validate(const QByteArray &receiptBytes,
                                    const std::function<std::optional<QString>()> &manifestDigest,
                                    const std::function<bool(const QString &)> &isExecutable);

// Whether any path the receipt holds (every string but "runtime_id") is `folder` or lies inside
// it, compared as written, without "." or "..": the runtime it names lives there.
bool namesFolder(const QJsonObject &receipt, const QString &folder);

} // namespace receipt
