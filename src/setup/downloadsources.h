#pragma once

#include "platform/settings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Where a download may come from besides the manifest's own URL: the entries of the settings
// that can be used, and where the runtime archive lies at each.
namespace sources {

struct Source
{
    QString url;    // https: or file:, as logged and handed to the bootstrap
    QString folder; // the local folder of a file: URL; empty for https:
};

struct Sorted
{
    QList<Source> usable; // in the order written
    QStringList skipped;  // one log line for each entry that cannot be used, with why
};

// Sorts the entries of the key `key`; `isFolder` says whether a local path is a folder.
Sorted sort(const QStringList &entries, const QString &key, const std::function<bool(const QString &)> &isFolder);

// Both keys sorted, and the log lines for what was skipped in either.
struct Configured
{
    QList<Source> runtimeMirrors;
    QList<Source> engineIndexes;
    QStringList skipped;
    bool any() const { return !runtimeMirrors.isEmpty() || !engineIndexes.isEmpty(); }
};
Configured configure(const platform::DownloadSettings &settings, const std::function<bool(const QString &)> &isFolder);

// Where a file is at one source: its URL, and for a folder its path there.
struct Location
{
    QString url;
    QString file; // empty for https:
};

// The runtime archive at `mirror`: the manifest URL's last two path segments (<release>/<file>)
// below it. None when the segments cannot name a file inside a folder.
std::optional<Location> archiveAt(const Source &mirror, const QString &manifestUrl);

// How a source's failure reads in the log: the platform's own words, or what the sentence meant.
QString logReason(const QString &failure);

// Whether the attempt log ends with the hint that sources can be set: a download failed from
// every source, and none was set.
bool wantsHint(const QByteArray &logTail, bool anySourceSet);

} // namespace sources
