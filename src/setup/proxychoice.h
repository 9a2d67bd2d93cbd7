#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkProxy>
#include <QPair>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Which proxy each download goes through, and how the commands learn of it: curl reads the usual
// variables, so a proxy reaches it through its environment. Each download asks for its own URL,
// and only when it runs, so a PAC file that names different proxies for different hosts holds.
namespace proxy {

enum class Source { none, environment, system };

struct Choice
{
    Source source = Source::none;
    QString url;            // as the commands read it, credentials included; empty for none
    QStringList exceptions; // what the system reaches directly, as the user wrote it
};

// The system's answer for one URL, asked only when the launcher's environment names no proxy.
struct SystemSettings
{
    std::function<QList<QNetworkProxy>()> proxies; // in the system's order of preference
    std::function<QStringList()> exceptions;       // read only once a proxy was found
};

// The variable through which the bootstrap learns whom to ask for each host's proxy: the launcher's
// own executable, which answers `--proxy-for URL`. Absent when the environment names a proxy.
inline const QString helperVariable = QStringLiteral("VLMR_PROXY_HELPER");
inline const QString helperOption = QStringLiteral("--proxy-for");

// What curl itself reads for an https URL: the first of https_proxy, HTTPS_PROXY, all_proxy and
// ALL_PROXY that is set and not empty.
std::optional<QString> environmentProxy(const QProcessEnvironment &environment);

// The first proxy that curl can use, as a URL with its credentials encoded; none when a direct
// connection comes first.
std::optional<QString> proxyUrl(const QList<QNetworkProxy> &proxies);

// A proxy in the environment always wins; the system is asked only without one.
Choice choose(const QProcessEnvironment &inherited, const SystemSettings &system);

// One exception of the system's, as curl's no_proxy takes it (a host, a domain, an address or a
// CIDR network): "*.local" becomes ".local", "169.254/16" "169.254.0.0/16", "10.*" "10.0.0.0/8".
// Empty for a pattern curl has no form for.
QString noProxyEntry(const QString &exception);
// `existing` (a no_proxy value) followed by the system's exceptions in curl's form.
QString noProxyList(const QStringList &exceptions, const QString &existing);

// The variables a download command gets on top of `inherited`: https_proxy and no_proxy for a proxy
// from the system settings, nothing otherwise (a proxy from the environment is there already).
QList<QPair<QString, QString>> additions(const Choice &choice, const QProcessEnvironment &inherited);
QProcessEnvironment commandEnvironment(QProcessEnvironment inherited, const Choice &choice);

// The bootstrap's environment: `inherited`, and where it asks for each host's proxy when the
// environment names none and the launcher's executable is known.
QProcessEnvironment bootstrapEnvironment(QProcessEnvironment inherited, const QString &launcherExecutable);

// The answer to `--proxy-for URL`, one line of JSON: {"environment": the additions, "log": the line}.
QByteArray helperAnswer(const Choice &choice, const QProcessEnvironment &inherited, const QString &host);

// A proxy as the log names it: scheme, host and port, never its credentials. curl's reading of a
// value without a scheme (http) and of credentials up to the last "@" is followed.
QString displayName(const QString &proxy);

// Every spelling of a proxy's secret that a command may print: the password (or, without one, the
// user name that serves as a token) as written, decoded and encoded, and the Basic credentials.
QStringList secretsOf(const QString &proxy);
// The secrets of every proxy variable in `environment`.
QStringList environmentSecrets(const QProcessEnvironment &environment);

// `text` with every secret masked, and whatever looks like credentials in a URL or a
// Proxy-Authorization header besides.
QByteArray maskSecrets(QByteArray text, const QStringList &secrets);

// The attempt log's line: which proxy reaches `host`, and where it came from.
QString logLine(const Choice &choice, const QString &host);

} // namespace proxy
