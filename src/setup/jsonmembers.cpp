#include "setup/jsonmembers.h"

#include <QCborValue>
#include <QJsonValue>

#include <cmath>

namespace json {

std::optional<QString> stringMember(const QJsonObject &object, QLatin1String key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<qint64> wholeNumber(double value)
{
    // 2^63 is exact as a double, whereas INT64_MAX is not: compare against the power itself.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || std::trunc(value) != value || value < -limit || value >= limit)
        return std::nullopt;
    return static_cast<qint64>(value);
}

std::optional<qint64> integerMember(const QJsonObject &object, QLatin1String key)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return std::nullopt;
    // The parser keeps integers that fit in 64 bits exactly; a double would round the largest.
    const QCborValue exact = QCborValue::fromJsonValue(value);
    if (exact.isInteger())
        return exact.toInteger();
    return wholeNumber(value.toDouble());
}

} // namespace json
