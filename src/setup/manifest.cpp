#include "setup/manifest.h"

#include "setup/jsonmembers.h"
#include "shell/setuperror.h"
#include "shell/texts.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace manifest {

namespace {
[[noreturn]] void incomplete()
{
    throw SetupError(texts::manifestIncomplete);
}
} // namespace

RuntimeArchive parse(const QByteArray &bytes, const QString &path)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        const QString text =
            QStringLiteral("Could not parse “%1”: %2 at offset %3").arg(path, error.errorString()).arg(error.offset);
        throw std::runtime_error(text.toStdString());
    }
    if (!document.isObject())
        incomplete();
    const QJsonValue python = document.object().value(QLatin1String("python"));
    if (!python.isObject())
        incomplete();
    const QJsonObject entry = python.toObject();
    RuntimeArchive archive;
    const QJsonValue url = entry.value(QLatin1String("url"));
    if (!url.isString() || !url.toString().startsWith(QLatin1String("https://"), Qt::CaseSensitive))
        incomplete();
    archive.url = url.toString();
    const QJsonValue sha256 = entry.value(QLatin1String("sha256"));
    if (!sha256.isString() || !isSafeFileName(sha256.toString()))
        incomplete();
    archive.sha256 = sha256.toString();
    const std::optional<qint64> size = json::integerMember(entry, QLatin1String("size"));
    if (!size)
        incomplete();
    archive.size = *size;
    return archive;
}

bool isSafeFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

QStringList curlArguments(const QString &archivePath, const QString &url)
{
    // -q first: the user's .curlrc must add nothing (verbose would log the proxy's credentials,
    // insecure would drop the certificate checks).
    return {QStringLiteral("-q"),
            QStringLiteral("--fail"),
            QStringLiteral("--location"),
            QStringLiteral("--proto"),
            QStringLiteral("=https"),
            QStringLiteral("--proto-redir"),
            QStringLiteral("=https"),
            QStringLiteral("--retry"),
            QStringLiteral("3"),
            QStringLiteral("--connect-timeout"),
            QStringLiteral("30"),
            QStringLiteral("--max-time"),
            QStringLiteral("1800"),
            QStringLiteral("--continue-at"),
            QStringLiteral("-"),
            QStringLiteral("--output"),
            archivePath,
            url};
}

} // namespace manifest
