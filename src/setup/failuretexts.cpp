#include "setup/failuretexts.h"

#include "shell/texts.h"

#include <QRegularExpression>

namespace failuretexts {

std::optional<QString> spaceError(std::optional<qint64> freeBytes)
{
    if (!freeBytes || *freeBytes >= requiredFreeSpace)
        return std::nullopt;
    constexpr auto gib = double(qint64(1) << 30);
    const double available = static_cast<double>(*freeBytes) / gib;
    const double missing = static_cast<double>(requiredFreeSpace - *freeBytes) / gib;
    return texts::spaceNeeded.arg(QString::number(available, 'f', 1), QString::number(missing, 'f', 1));
}

bool saysDiskFull(const QString &text)
{
    return text.contains(QLatin1String("No space left on device")) || text.contains(QLatin1String("ENOSPC"));
}

DownloadFault downloadFault(const QByteArray &log)
{
    // curl's own words: "(22) The requested URL returned error: 404", "(56) CONNECT tunnel
    // failed, response 407", "(1) Protocol "http" not supported or disabled in libcurl".
    static const QRegularExpression line(QStringLiteral(R"(curl: \((\d+)\) ([^\r\n]*))"));
    static const QRegularExpression status(QStringLiteral(R"((?:returned error|response):? (\d{3}))"));
    QRegularExpressionMatch last;
    for (auto matches = line.globalMatch(QString::fromUtf8(log)); matches.hasNext();)
        last = matches.next();
    if (!last.hasMatch())
        return DownloadFault::none;
    const int code = last.captured(1).toInt();
    const int http = status.match(last.captured(2)).captured(1).toInt();
    constexpr int unsupportedProtocol = 1;
    constexpr int peerNotVerified = 60;
    if (code == peerNotVerified)
        return DownloadFault::certificate;
    if (http == 407)
        return DownloadFault::proxySignIn;
    if (code == unsupportedProtocol || (http >= 400 && http < 500 && http != 408 && http != 416 && http != 429))
        return DownloadFault::refused;
    return DownloadFault::transient;
}

QString attemptFailure(const QString &workerText, const std::optional<QString> &recorded, const QByteArray &log)
{
    if (saysDiskFull(workerText) || saysDiskFull(recorded.value_or(QString())) || saysDiskFull(QString::fromUtf8(log)))
        return texts::diskFull.arg(requiredFreeSpace >> 30);
    switch (downloadFault(log)) {
    case DownloadFault::certificate:
        return texts::certificateNotTrusted;
    case DownloadFault::proxySignIn:
        return texts::proxySignInRefused;
    case DownloadFault::none:
    case DownloadFault::transient:
    case DownloadFault::refused:
        break;
    }
    if (recorded && !recorded->isEmpty())
        return *recorded;
    return workerText;
}

} // namespace failuretexts
