#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Which proxy the setup commands go through, and how they learn of it: curl, the bootstrap and
// everything it starts read the usual variables, so a proxy reaches them through their environment.
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

// What curl itself reads for an https URL: the first of https_proxy, HTTPS_PROXY, all_proxy and
// ALL_PROXY that is set and not empty.
std::optional<QString> environmentProxy(const QProcessEnvironment &environment);

// The first proxy that curl and pip can use, as a URL with its credentials encoded; none when a
// direct connection comes first.
std::optional<QString> proxyUrl(const QList<QNetworkProxy> &proxies);

// A proxy in the environment always wins; the system is asked only without one.
Choice choose(const QProcessEnvironment &inherited, const SystemSettings &system);

// `existing` (a no_proxy value) followed by the system's exceptions, each written so that curl and
// Python both read it: "*.example.com" becomes ".example.com".
QString noProxyList(const QStringList &exceptions, const QString &existing);

// Every setup command's environment: `inherited`, with https_proxy and no_proxy added for a proxy
// from the system settings. A proxy from the environment is already there for the commands to read.
QProcessEnvironment commandEnvironment(QProcessEnvironment inherited, const Choice &choice);

// `text` with the password of every URL in it replaced, so that no log line shows one.
QString maskPasswords(const QString &text);

// The attempt log's line: which proxy and where it came from.
QString logLine(const Choice &choice);

} // namespace proxy
