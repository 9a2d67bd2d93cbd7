#include "setup/downloadsources.h"

#include "setup/manifest.h"
#include "shell/texts.h"

#include <QUrl>

namespace sources {

namespace {

// Why `entry` cannot be used; none when it can, with `source` filled in.
std::optional<QString> unusable(const QString &entry, const std::function<bool(const QString &)> &isFolder,
                                Source &source)
{
    const QUrl url(entry, QUrl::StrictMode);
    if (!url.isValid())
        return texts::notAUrl;
    if (url.scheme().isEmpty())
        return entry.startsWith(QLatin1Char('/')) ? texts::pathNotUrl : texts::relativePath;
    if (url.scheme() == QLatin1String("http"))
        return texts::plainHttp;
    if (url.hasQuery() || url.hasFragment())
        return texts::queryOrFragment;
    source.url = url.toString(QUrl::FullyEncoded);
    if (url.scheme() == QLatin1String("https"))
        return url.host().isEmpty() ? std::optional(texts::notAUrl) : std::nullopt;
    if (url.scheme() != QLatin1String("file"))
        return texts::otherScheme;
    const bool local = url.host().isEmpty() || url.host() == QLatin1String("localhost");
    source.folder = url.toLocalFile();
    if (!local || !isFolder(source.folder))
        return texts::noSuchFolder;
    return std::nullopt;
}

} // namespace

Sorted sort(const QStringList &entries, const QString &key, const std::function<bool(const QString &)> &isFolder)
{
    Sorted sorted;
    for (const QString &entry : entries) {
        Source source;
        if (const std::optional<QString> reason = unusable(entry, isFolder, source))
            sorted.skipped << texts::sourceSkipped.arg(entry, key, *reason);
        else
            sorted.usable << source;
    }
    return sorted;
}

Configured configure(const platform::DownloadSettings &settings, const std::function<bool(const QString &)> &isFolder)
{
    const Sorted mirrors = sort(settings.runtimeMirrors, platform::runtimeMirrorsKey, isFolder);
    const Sorted indexes = sort(settings.engineIndexes, platform::engineIndexesKey, isFolder);
    return {mirrors.usable, indexes.usable, mirrors.skipped + indexes.skipped};
}

std::optional<Location> archiveAt(const Source &mirror, const QString &manifestUrl)
{
    const QStringList segments = QUrl(manifestUrl).path(QUrl::FullyEncoded).split(QLatin1Char('/'));
    const QStringList tail = segments.mid(std::max<qsizetype>(1, segments.size() - 2));
    QString url = mirror.url;
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    Location at{url + QLatin1Char('/') + tail.join(QLatin1Char('/')), QString()};
    if (mirror.folder.isEmpty())
        return at;
    at.file = mirror.folder;
    for (const QString &segment : tail) {
        const QString name = QUrl::fromPercentEncoding(segment.toUtf8());
        if (!manifest::isSafeFileName(name))
            return std::nullopt;
        at.file += QLatin1Char('/') + name;
    }
    return at;
}

QString logReason(const QString &failure)
{
    if (failure == texts::couldNotFinish)
        return texts::downloadIncomplete; // curl's output above says why
    if (failure == texts::checksumFailed)
        return texts::checkFailed;
    return failure;
}

bool wantsHint(const QByteArray &logTail, bool anySourceSet)
{
    const QByteArray line = texts::everySourceFailed.toUtf8();
    return !anySourceSet && (logTail.startsWith(line) || logTail.contains(QByteArray('\n' + line)));
}

} // namespace sources
