#include "setup/proxychoice.h"

#include "shell/texts.h"

#include <QRegularExpression>
#include <QUrl>

namespace proxy {

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

QString noProxyList(const QStringList &exceptions, const QString &existing)
{
    QStringList entries;
    for (const QString &entry : existing.split(QLatin1Char(','), Qt::SkipEmptyParts))
        entries.append(entry.trimmed());
    for (QString entry : exceptions) {
        entry = entry.trimmed();
        if (entry.startsWith(QLatin1String("*.")))
            entry.remove(0, 1);
        entries.append(entry);
    }
    entries.removeAll(QString());
    entries.removeDuplicates();
    return entries.join(QLatin1Char(','));
}

QProcessEnvironment commandEnvironment(QProcessEnvironment inherited, const Choice &choice)
{
    if (choice.source != Source::system)
        return inherited;
    inherited.insert(QStringLiteral("https_proxy"), choice.url);
    // curl prefers the lower-case name; what the user set in either stays in front.
    const QString existing = inherited.value(QStringLiteral("no_proxy"), inherited.value(QStringLiteral("NO_PROXY")));
    const QString noProxy = noProxyList(choice.exceptions, existing);
    if (!noProxy.isEmpty())
        inherited.insert(QStringLiteral("no_proxy"), noProxy);
    return inherited;
}

QString maskPasswords(const QString &text)
{
    // scheme://user:password@ or, as curl also takes it, user:password@ without a scheme; the
    // password runs to the authority's last "@".
    static const QRegularExpression credentials(
        QStringLiteral(R"(((?:[A-Za-z][A-Za-z0-9+.\-]*://)?[^\s/?#@:]+:)[^\s/?#]*@)"));
    QString masked = text;
    return masked.replace(credentials, QStringLiteral("\\1****@"));
}

QString logLine(const Choice &choice)
{
    switch (choice.source) {
    case Source::none:
        return texts::proxyNone;
    case Source::environment:
        return texts::proxyFromEnvironment.arg(maskPasswords(choice.url));
    case Source::system:
        return texts::proxyFromSystem.arg(maskPasswords(choice.url));
    }
    return texts::proxyNone;
}

} // namespace proxy
