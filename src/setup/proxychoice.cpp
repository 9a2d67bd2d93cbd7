#include "setup/proxychoice.h"

#include "shell/texts.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace proxy {

namespace {

const char *const proxyVariables[] = {"https_proxy", "HTTPS_PROXY", "all_proxy",
                                      "ALL_PROXY",   "http_proxy",  "HTTP_PROXY"};
const QByteArray mask = QByteArrayLiteral("****");

// A proxy value as curl reads it: scheme (http when none is written), credentials up to the last
// "@", then host and port up to the first "/", "?" or "#".
struct Parts
{
    QString scheme = QStringLiteral("http");
    std::optional<QString> user;
    std::optional<QString> password;
    QString hostAndPort;
};

Parts partsOf(const QString &value)
{
    Parts parts;
    QString rest = value.trimmed();
    if (const qsizetype separator = rest.indexOf(QLatin1String("://")); separator > 0) {
        parts.scheme = rest.left(separator).toLower();
        rest = rest.mid(separator + 3);
    }
    if (const qsizetype at = rest.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString credentials = rest.left(at);
        const qsizetype colon = credentials.indexOf(QLatin1Char(':'));
        parts.user = credentials.left(colon);
        if (colon >= 0)
            parts.password = credentials.mid(colon + 1);
        rest = rest.mid(at + 1);
    }
    static const QRegularExpression end(QStringLiteral("[/?#]"));
    parts.hostAndPort = rest.left(rest.indexOf(end));
    return parts;
}

// The spellings of one secret: as written, decoded, and encoded the ways Qt and Python write it.
void addSpellings(QStringList &secrets, const QString &written)
{
    const QString decoded = QUrl::fromPercentEncoding(written.toUtf8());
    QUrl url;
    url.setPassword(decoded, QUrl::DecodedMode);
    for (const QString &spelling :
         {written, decoded, QString::fromLatin1(QUrl::toPercentEncoding(decoded)), url.password(QUrl::FullyEncoded)})
        if (!spelling.isEmpty() && !secrets.contains(spelling))
            secrets.append(spelling);
}

// "169.254/16" as "169.254.0.0/16", and "10.*" or "10.0.*.*" as "10.0.0.0/8" and "10.0.0.0/16":
// macOS accepts shortened networks and wildcard octets, curl only whole addresses.
std::optional<QString> ipv4Network(const QString &pattern)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^(\d{1,3}(?:\.\d{1,3}){0,3})((?:\.\*){0,3})(?:/(\d{1,2}))?$)"));
    const QRegularExpressionMatch match = form.match(pattern);
    if (!match.hasMatch())
        return std::nullopt;
    QStringList octets = match.captured(1).split(QLatin1Char('.'));
    const qsizetype wildcards = match.captured(2).count(QLatin1Char('*'));
    if (octets.size() + wildcards > 4 || (wildcards > 0 && match.hasCaptured(3)))
        return std::nullopt;
    if (octets.size() == 4 && !match.hasCaptured(3))
        return pattern; // a plain address
    const qsizetype bits = match.hasCaptured(3) ? match.captured(3).toInt() : octets.size() * 8;
    while (octets.size() < 4)
        octets.append(QStringLiteral("0"));
    return octets.join(QLatin1Char('.')) + QLatin1Char('/') + QString::number(bits);
}

} // namespace

std::optional<QString> environmentProxy(const QProcessEnvironment &environment)
{
    for (const char *name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        const QString value = environment.value(QLatin1String(name));
        if (!value.isEmpty())
            return value;
    }
    return std::nullopt;
}

std::optional<QString> proxyUrl(const QList<QNetworkProxy> &proxies)
{
    for (const QNetworkProxy &proxy : proxies) {
        QUrl url;
        if (proxy.type() == QNetworkProxy::NoProxy)
            return std::nullopt;
        if (proxy.type() == QNetworkProxy::HttpProxy)
            url.setScheme(QStringLiteral("http"));
        else if (proxy.type() == QNetworkProxy::Socks5Proxy)
            url.setScheme(QStringLiteral("socks5h")); // names resolved by the proxy, as Qt does
        else
            continue; // a caching proxy cannot tunnel TLS
        url.setHost(proxy.hostName());
        if (proxy.port() > 0)
            url.setPort(proxy.port());
        url.setUserName(proxy.user(), QUrl::DecodedMode);
        url.setPassword(proxy.password(), QUrl::DecodedMode);
        if (!url.isValid() || url.host().isEmpty())
            continue;
        return url.toString(QUrl::FullyEncoded);
    }
    return std::nullopt;
}

Choice choose(const QProcessEnvironment &inherited, const SystemSettings &system)
{
    if (const std::optional<QString> own = environmentProxy(inherited))
        return {Source::environment, *own, {}};
    if (const std::optional<QString> url = proxyUrl(system.proxies()))
        return {Source::system, *url, system.exceptions()};
    return {};
}

QString noProxyEntry(const QString &exception)
{
    QString entry = exception.trimmed();
    if (entry.startsWith(QLatin1Char('[')) && entry.endsWith(QLatin1Char(']')))
        entry = entry.mid(1, entry.size() - 2); // curl takes IPv6 addresses without brackets
    if (entry.startsWith(QLatin1String("*.")))
        entry.remove(0, 1);
    if (const std::optional<QString> network = ipv4Network(entry))
        return *network;
    // "*" alone means every host to curl too; any other wildcard curl would take as a name.
    if (entry != QLatin1String("*") && entry.contains(QLatin1Char('*')))
        return {};
    return entry;
}

QString noProxyList(const QStringList &exceptions, const QString &existing)
{
    QStringList entries;
    for (const QString &entry : existing.split(QLatin1Char(','), Qt::SkipEmptyParts))
        entries.append(entry.trimmed());
    for (const QString &exception : exceptions)
        entries.append(noProxyEntry(exception));
    entries.removeAll(QString());
    entries.removeDuplicates();
    return entries.join(QLatin1Char(','));
}

QList<QPair<QString, QString>> additions(const Choice &choice, const QProcessEnvironment &inherited)
{
    if (choice.source != Source::system)
        return {};
    QList<QPair<QString, QString>> variables{{QStringLiteral("https_proxy"), choice.url}};
    // curl prefers the lower-case name; what the user set in either stays in front.
    const QString existing = inherited.value(QStringLiteral("no_proxy"), inherited.value(QStringLiteral("NO_PROXY")));
    const QString noProxy = noProxyList(choice.exceptions, existing);
    if (!noProxy.isEmpty())
        variables.append({QStringLiteral("no_proxy"), noProxy});
    return variables;
}

QProcessEnvironment commandEnvironment(QProcessEnvironment inherited, const Choice &choice)
{
    for (const auto &[name, value] : additions(choice, inherited))
        inherited.insert(name, value);
    return inherited;
}

QProcessEnvironment bootstrapEnvironment(QProcessEnvironment inherited, const QString &launcherExecutable)
{
    inherited.remove(helperVariable);
    if (!environmentProxy(inherited) && !launcherExecutable.isEmpty())
        inherited.insert(helperVariable, launcherExecutable);
    return inherited;
}

QByteArray helperAnswer(const Choice &choice, const QProcessEnvironment &inherited, const QString &host)
{
    QJsonObject environment;
    for (const auto &[name, value] : additions(choice, inherited))
        environment.insert(name, value);
    const QJsonObject answer{{QStringLiteral("environment"), environment},
                             {QStringLiteral("log"), logLine(choice, host).trimmed()}};
    return QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n';
}

QString displayName(const QString &proxy)
{
    const Parts parts = partsOf(proxy);
    return parts.scheme + QLatin1String("://") + parts.hostAndPort;
}

QStringList secretsOf(const QString &proxy)
{
    const Parts parts = partsOf(proxy);
    QStringList secrets;
    if (parts.password && !parts.password->isEmpty())
        addSpellings(secrets, *parts.password);
    else if (parts.user && !parts.user->isEmpty())
        addSpellings(secrets, *parts.user);
    if (parts.user) {
        const QByteArray basic = QUrl::fromPercentEncoding(parts.user->toUtf8()).toUtf8() + ':'
                                 + QUrl::fromPercentEncoding(parts.password.value_or(QString()).toUtf8()).toUtf8();
        secrets.append(QString::fromLatin1(basic.toBase64()));
    }
    return secrets;
}

QStringList environmentSecrets(const QProcessEnvironment &environment)
{
    QStringList secrets;
    for (const char *name : proxyVariables)
        for (const QString &secret : secretsOf(environment.value(QLatin1String(name))))
            if (!secrets.contains(secret))
                secrets.append(secret);
    return secrets;
}

QByteArray maskSecrets(QByteArray text, const QStringList &secrets)
{
    // Longest first, so that a secret inside another is not masked half.
    QList<QByteArray> spellings;
    for (const QString &secret : secrets)
        spellings.append(secret.toUtf8());
    std::sort(spellings.begin(), spellings.end(),
              [](const QByteArray &a, const QByteArray &b) { return a.size() > b.size(); });
    for (const QByteArray &spelling : spellings)
        if (!spelling.isEmpty())
            text.replace(spelling, mask);
    if (!text.contains('@') && !text.toLower().contains("proxy-authorization"))
        return text;
    // scheme://user:password@ (the user may be empty), user:password@ as curl also takes it, and a
    // Proxy-Authorization header, whose value is the credentials in Base64.
    static const QRegularExpression credentials(
        QStringLiteral(R"(([A-Za-z][A-Za-z0-9+.\-]*://[^\s/?#@:]*:|(?<![\w/:])[^\s/?#@:'"]+:)[^\s/?#@'"]*@)"));
    static const QRegularExpression header(QStringLiteral(R"((proxy-authorization:\s*)\S.*?(?=[\r\n]|$))"),
                                           QRegularExpression::CaseInsensitiveOption);
    // Latin-1 maps each byte to one character and back, so output that is not UTF-8 survives whole.
    QString line = QString::fromLatin1(text);
    line.replace(credentials, QStringLiteral("\\1****@"));
    line.replace(header, QStringLiteral("\\1****"));
    return line.toLatin1();
}

QString logLine(const Choice &choice, const QString &host)
{
    switch (choice.source) {
    case Source::none:
        return texts::proxyNone.arg(host);
    case Source::environment:
        return texts::proxyFromEnvironment.arg(host, displayName(choice.url));
    case Source::system:
        return texts::proxyFromSystem.arg(host, displayName(choice.url));
    }
    return texts::proxyNone.arg(host);
}

} // namespace proxy
