#include "setup/progressrecord.h"

#include "platform/files.h"

#include <QCborValue>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>
#include <exception>

namespace progress {

QByteArray encode(const Record &record)
{
    const QJsonObject object{
        {labelKey, record.label},
        {percentKey, record.percent},
        {stateKey, record.state},
        {messageKey, record.message},
        {stepKey, record.step},
        {totalStepsKey, record.totalSteps},
        {downloadPathKey, record.downloadPath},
        {downloadTotalKey, record.downloadTotal},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void write(const QString &path, const Record &record)
{
    try {
        platform::writeFileAtomically(path, encode(record));
    } catch (const std::exception &) {
        // Progress is advisory; a lost record must never change the attempt's course.
    }
}

std::optional<QJsonObject> read(const QString &path)
{
    QByteArray bytes;
    try {
        bytes = platform::readWholeFile(path);
    } catch (const std::exception &) {
        return std::nullopt;
    }
    return parse(bytes);
}

std::optional<QJsonObject> parse(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<QString> stringMember(const QJsonObject &record, QLatin1String key)
{
    const QJsonValue value = record.value(key);
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

std::optional<qint64> integerMember(const QJsonObject &record, QLatin1String key)
{
    const QJsonValue value = record.value(key);
    if (!value.isDouble())
        return std::nullopt;
    // The parser keeps integers that fit in 64 bits exactly; a double would round the largest.
    const QCborValue exact = QCborValue::fromJsonValue(value);
    if (exact.isInteger())
        return exact.toInteger();
    return wholeNumber(value.toDouble());
}

QString label(const QJsonObject &record)
{
    return stringMember(record, labelKey).value_or(QStringLiteral("Preparing your studio…"));
}

QString message(const QJsonObject &record)
{
    return stringMember(record, messageKey).value_or(QString());
}

qint64 step(const QJsonObject &record)
{
    return integerMember(record, stepKey).value_or(1);
}

qint64 totalSteps(const QJsonObject &record)
{
    return integerMember(record, totalStepsKey).value_or(4);
}

QString downloadPath(const QJsonObject &record)
{
    return stringMember(record, downloadPathKey).value_or(QString());
}

qint64 downloadTotal(const QJsonObject &record)
{
    return integerMember(record, downloadTotalKey).value_or(0);
}

std::optional<QString> failureText(const std::optional<QJsonObject> &record)
{
    if (!record || stringMember(*record, stateKey) != QStringLiteral("failed"))
        return std::nullopt;
    return stringMember(*record, messageKey);
}

} // namespace progress
