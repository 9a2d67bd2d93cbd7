#pragma once

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

// What the setup window shows for one poll of the progress record.
namespace progressdisplay {

using Clock = std::chrono::steady_clock;

// Which download is being timed, since when, and from which size.
struct Measuring
{
    QString path;
    std::optional<Clock::time_point> startAt;
    qint64 startBytes = 0;
};

enum class Bar { Unchanged, Indeterminate, Determinate };

struct Display
{
    std::optional<QString> status; // none: leave the status text as it is
    Bar bar = Bar::Unchanged;
    double percent = 0; // of the current download, for a determinate bar
    Measuring measuring;
};

// Size of the file at a path; none when its attributes cannot be read.
using SizeLookup = std::function<std::optional<qint64>(const QString &path)>;

// `record` is none when the file was missing, unreadable or not a JSON object.
Display update(const std::optional<QJsonObject> &record, Clock::time_point now,
               std::optional<Clock::time_point> setupStartedAt, const Measuring &measuring, const SizeLookup &sizeOf);

// Whole seconds as minutes and seconds, minutes unbounded: 3725 gives "62:05".
QString minutesAndSeconds(qint64 seconds);

} // namespace progressdisplay
