#include "setup/progressrecord.h"

#include "platform/files.h"
#include "setup/jsonmembers.h"
#include "shell/texts.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

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

Record failed(const QString &text)
{
    return {.label = text, .percent = 0, .state = failedState, .step = 1};
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

QString label(const QJsonObject &record)
{
    return json::stringMember(record, labelKey).value_or(texts::preparing);
}

QString message(const QJsonObject &record)
{
    return json::stringMember(record, messageKey).value_or(QString());
}

qint64 step(const QJsonObject &record)
{
    return json::integerMember(record, stepKey).value_or(1);
}

qint64 totalSteps(const QJsonObject &record)
{
    return json::integerMember(record, totalStepsKey).value_or(4);
}

QString downloadPath(const QJsonObject &record)
{
    return json::stringMember(record, downloadPathKey).value_or(QString());
}

qint64 downloadTotal(const QJsonObject &record)
{
    return json::integerMember(record, downloadTotalKey).value_or(0);
}

std::optional<qint64> downloadDone(const QJsonObject &record)
{
    return json::integerMember(record, downloadDoneKey);
}

std::optional<QString> failureText(const std::optional<QJsonObject> &record)
{
    if (!record || json::stringMember(*record, stateKey) != failedState)
        return std::nullopt;
    return json::stringMember(*record, messageKey);
}

} // namespace progress
