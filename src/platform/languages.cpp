#include "platform/languages.h"

#include <QLocale>
#include <QProcessEnvironment>

namespace platform {

QStringList preferredLanguages()
{
#ifdef Q_OS_MACOS
    return QLocale::system().uiLanguages();
#else
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString messages;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        messages = environment.value(QLatin1String(name));
        if (!messages.isEmpty())
            break;
    }
    // As gettext does, LANGUAGE counts only under a locale that sets a language.
    const QString language = messages.section(QLatin1Char('.'), 0, 0);
    if (language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("POSIX"))
        return {QStringLiteral("C")};
    return environment.value(QStringLiteral("LANGUAGE")).split(QLatin1Char(':'), Qt::SkipEmptyParts) << messages;
#endif
}

} // namespace platform
