#include "setupwindow/modelprofile.h"

#include "shell/texts.h"
#include "shell/translation.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace modelprofile {

QString memoryNote(qint64 physicalMemory)
{
    return translation::text(texts::memoryNote).arg(translation::number(physicalMemory / (qint64(1) << 30)));
}

std::optional<QString> parseSaved(const QByteArray &bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    const QJsonValue profile = document.object().value(QLatin1String("profile"));
    if (!document.isObject() || !profile.isString())
        return std::nullopt;
    const QString value = profile.toString();
    if (value != QLatin1String("compact") && value != QLatin1String("full"))
        return std::nullopt;
    return value;
}

QByteArray serialise(const QString &profile)
{
    const QJsonObject object{{QLatin1String("profile"), profile}, {QLatin1String("pending"), true}};
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace modelprofile
