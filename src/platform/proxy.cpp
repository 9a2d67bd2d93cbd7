#include "platform/proxy.h"

#include <QNetworkProxyFactory>

#ifdef __APPLE__
#include <CFNetwork/CFNetwork.h>
#else
// GLib names a structure member "signals", which Qt defines as a keyword.
#undef signals
#include <gio/gio.h>
#endif

namespace platform {

QList<QNetworkProxy> systemProxies(const QUrl &url)
{
    return QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
}

#ifdef __APPLE__

// System Settings → Network → Proxies: "Bypass proxy settings for these hosts & domains".
QStringList systemProxyExceptions()
{
    QStringList exceptions;
    const CFDictionaryRef settings = CFNetworkCopySystemProxySettings();
    if (!settings)
        return exceptions;
    const void *list = CFDictionaryGetValue(settings, kCFNetworkProxiesExceptionsList);
    if (list && CFGetTypeID(list) == CFArrayGetTypeID()) {
        const auto entries = static_cast<CFArrayRef>(list);
        for (CFIndex index = 0; index < CFArrayGetCount(entries); ++index) {
            const void *entry = CFArrayGetValueAtIndex(entries, index);
            if (CFGetTypeID(entry) == CFStringGetTypeID())
                exceptions.append(QString::fromCFString(static_cast<CFStringRef>(entry)));
        }
    }
    CFRelease(settings);
    return exceptions;
}

#else

// GNOME's "Ignore Hosts", which libproxy applies to its own answers but does not hand out. Other
// desktops' lists are not read.
QStringList systemProxyExceptions()
{
    QStringList exceptions;
    const char *schemaId = "org.gnome.system.proxy";
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    GSettingsSchema *schema = source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (!schema)
        return exceptions; // GSettings aborts the process on a schema that is not installed
    g_settings_schema_unref(schema);
    GSettings *settings = g_settings_new(schemaId);
    gchar *mode = g_settings_get_string(settings, "mode");
    if (g_strcmp0(mode, "none") != 0) {
        gchar **hosts = g_settings_get_strv(settings, "ignore-hosts");
        for (gchar **host = hosts; *host; ++host)
            exceptions.append(QString::fromUtf8(*host));
        g_strfreev(hosts);
    }
    g_free(mode);
    g_object_unref(settings);
    return exceptions;
}

#endif

} // namespace platform
