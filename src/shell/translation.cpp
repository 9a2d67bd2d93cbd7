#include "shell/translation.h"

#include "bootstrapsentences.h" // generated from bootstrap.py's sentence constants
#include "shell/texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

#include <memory>
#include <optional>
#include <vector>

namespace translation {

namespace {

const char *const launcherContext = "texts";
const char *const bootstrapContext = "bootstrap";

// The launcher's sentences that reach the status line with their blanks already filled.
const QString *const filledLauncherSentences[] = {&texts::spaceNeeded, &texts::diskFull};

std::vector<std::unique_ptr<QTranslator>> &installed()
{
    static std::vector<std::unique_ptr<QTranslator>> translators;
    return translators;
}

QLocale &numbers()
{
    static QLocale locale = QLocale::c();
    return locale;
}

bool load(const QString &file, const QString &folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file, folder))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed().push_back(std::move(translator));
    return true;
}

QString translated(const char *context, const QString &source)
{
    // Qt looks a source up as a C string: one with a NUL in it is none of ours, and is kept whole.
    if (source.contains(QChar::Null))
        return source;
    return QCoreApplication::translate(context, source.toUtf8().constData());
}

// %1 as in texts.h, {name} as in bootstrap.py.
const QRegularExpression &blankPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(%\d|\{[a-z_]+\})"));
    return pattern;
}

// What filled a blank, with a number rewritten the chosen language's way.
QString localised(const QString &filling)
{
    static const QRegularExpression decimal(QStringLiteral(R"(^\d+(?:\.(\d+))?$)"));
    const QRegularExpressionMatch found = decimal.match(filling);
    if (!found.hasMatch())
        return filling;
    return number(filling.toDouble(), int(found.capturedLength(1)));
}

// The sentence in the chosen language when it is `source` with its blanks filled.
std::optional<QString> filledIn(const QString &sentence, const char *context, const QString &source)
{
    QString pattern = QStringLiteral("^");
    QStringList blanks;
    qsizetype at = 0;
    for (const QRegularExpressionMatch &blank : blankPattern().globalMatch(source)) {
        pattern += QRegularExpression::escape(source.mid(at, blank.capturedStart() - at)) + QStringLiteral("(.+?)");
        blanks << blank.captured();
        at = blank.capturedEnd();
    }
    if (blanks.isEmpty())
        return std::nullopt;
    pattern += QRegularExpression::escape(source.mid(at)) + QStringLiteral("$");
    const QRegularExpressionMatch found =
        QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(sentence);
    if (!found.hasMatch())
        return std::nullopt;

    const QString target = translated(context, source);
    QString result;
    at = 0;
    for (const QRegularExpressionMatch &blank : blankPattern().globalMatch(target)) {
        result += target.mid(at, blank.capturedStart() - at);
        const qsizetype which = blanks.indexOf(blank.captured());
        result += which < 0 ? blank.captured() : localised(found.captured(int(which) + 1));
        at = blank.capturedEnd();
    }
    return result + target.mid(at);
}

} // namespace

QString chooseLanguage(const QStringList &preferred)
{
    for (const QString &entry : preferred) {
        // "de_DE.UTF-8@euro" and "de-DE" alike become language "de" with the rest as subtags.
        const QStringList parts = entry.section(QLatin1Char('.'), 0, 0)
                                      .section(QLatin1Char('@'), 0, 0)
                                      .split(QRegularExpression(QStringLiteral("[-_]")), Qt::SkipEmptyParts);
        if (parts.isEmpty())
            continue;
        QString language = parts.first().toLower();
        if (language == QLatin1String("en") || language == QLatin1String("c") || language == QLatin1String("posix"))
            return {};
        if (language == QLatin1String("zh")) {
            // Traditional script, written or implied by the region, is a language we do not have.
            static const QStringList traditional{QStringLiteral("hant"), QStringLiteral("tw"), QStringLiteral("hk"),
                                                 QStringLiteral("mo")};
            const bool isTraditional = std::any_of(parts.begin() + 1, parts.end(), [](const QString &part) {
                return traditional.contains(part.toLower());
            });
            if (!isTraditional)
                return QStringLiteral("zh_CN");
            continue;
        }
        // Portuguese readers everywhere understand the Brazilian translation better than English.
        if (language == QLatin1String("pt"))
            return QStringLiteral("pt_BR");
        if (languages.contains(language))
            return language;
    }
    return {};
}

void use(const QString &language, const QString &resources)
{
    for (const std::unique_ptr<QTranslator> &translator : installed())
        QCoreApplication::removeTranslator(translator.get());
    installed().clear();
    numbers() = QLocale::c();
    if (language.isEmpty())
        return;
    load(QStringLiteral("vellmora_") + language, QStringLiteral(":/i18n"));
    load(QStringLiteral("bootstrap_") + language, QStringLiteral(":/i18n"));
    // Qt's own where Qt keeps them, else those a bundle carries (a Mac has no Qt of its own).
    const QString qt = QStringLiteral("qtbase_") + language;
    if (!load(qt, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) && !resources.isEmpty())
        load(qt, resources + QStringLiteral("/translations"));
    numbers() = QLocale(language);
    numbers().setNumberOptions(QLocale::OmitGroupSeparator);
}

QString text(const QString &source)
{
    return translated(launcherContext, source);
}

QString shown(const QString &sentence)
{
    for (const char *context : {launcherContext, bootstrapContext}) {
        QString whole = translated(context, sentence);
        if (whole != sentence)
            return whole;
    }
    if (installed().empty())
        return sentence;
    for (const QString *source : filledLauncherSentences)
        if (std::optional<QString> filled = filledIn(sentence, launcherContext, *source))
            return *filled;
    for (const char *source : bootstrapsentences::withBlanks)
        if (std::optional<QString> filled = filledIn(sentence, bootstrapContext, QString::fromUtf8(source)))
            return *filled;
    return sentence;
}

QString number(double value, int decimals)
{
    return numbers().toString(value, 'f', decimals);
}

QString number(qint64 value)
{
    return numbers().toString(value);
}

} // namespace translation
