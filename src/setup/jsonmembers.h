#pragma once

#include <QJsonObject>
#include <QLatin1String>
#include <QString>
#include <optional>

// Typed members of the JSON files the launcher reads (the progress record, the manifest): a
// missing member and one of another type read alike, as nothing.
namespace json {

// A member of the expected JSON type, or none when it is missing or of another type.
std::optional<QString> stringMember(const QJsonObject &object, QLatin1String key);
// A JSON number with a whole value in the signed 64-bit range: 2 and 2.0 are 2; 2.5 and "2" are none.
std::optional<qint64> integerMember(const QJsonObject &object, QLatin1String key);
// `value` when it is finite, whole and fits in a signed 64-bit integer.
std::optional<qint64> wholeNumber(double value);

} // namespace json
