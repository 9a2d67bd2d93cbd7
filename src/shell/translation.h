#pragma once

#include <QString>
#include <QStringList>

// What the window shows in the user's language. The sources stay English (texts.h and the
// bootstrap's sentences); the attempt log keeps them so, and only what is shown is looked up here.
namespace translation {

// The languages besides English, as their translation files are suffixed.
inline const QStringList languages{QStringLiteral("zh_CN"), QStringLiteral("ja"), QStringLiteral("ko"),
                                   QStringLiteral("de"),    QStringLiteral("fr"), QStringLiteral("es"),
                                   QStringLiteral("pt_BR")};

// The first of the user's preferred languages (most preferred first, spelt as macOS or a POSIX
// locale spells them: "de-DE", "zh-Hans-CN", "pt_BR.UTF-8") that the launcher has; empty for
// English. English itself, "C" and "POSIX" end the search: the user reads English then.
QString chooseLanguage(const QStringList &preferred);

// Shows everything from now on in `language` (one of `languages`, or empty for English): the
// launcher's and Qt's own translations, and the language's way of writing numbers. Qt's own come
// from Qt's folder, else from "translations" in the bundle's `resources`.
void use(const QString &language, const QString &resources = {});

// A text of texts.h as the window shows it.
QString text(const QString &source);

// A sentence as the window shows it: one the launcher or the bootstrap knows, whole or with its
// blanks filled, in the chosen language and with its numbers written that language's way;
// anything else as written.
QString shown(const QString &sentence);

// A number as the chosen language writes it, ungrouped: 8.5 is "8,5" in German.
QString number(double value, int decimals);
QString number(qint64 value);

} // namespace translation
