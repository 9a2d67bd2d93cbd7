#include "setupwindow/progressdisplay.h"

#include "setup/jsonmembers.h"
#include "setup/progressrecord.h"
#include "shell/texts.h"
#include "shell/translation.h"

#include <algorithm>
#include <cmath>

namespace progressdisplay {

namespace {

using Seconds = std::chrono::duration<double>;

double secondsSince(std::optional<Clock::time_point> start, Clock::time_point now)
{
    return start ? Seconds(now - *start).count() : 0.0;
}

QString elapsedLine(std::optional<Clock::time_point> setupStartedAt, Clock::time_point now)
{
    const auto seconds = static_cast<qint64>(std::max(0.0, secondsSince(setupStartedAt, now)));
    return translation::text(texts::elapsed).arg(minutesAndSeconds(seconds));
}

// " · about m:ss left for this download", or nothing while there is no sound estimate.
QString timeLeft(const Measuring &measuring, Clock::time_point now, qint64 raw, qint64 shown, qint64 total)
{
    const double measured = secondsSince(measuring.startAt, now);
    const qint64 arrived = shown - measuring.startBytes;
    if (measured < 3.0 || arrived < 1 || raw >= total)
        return {};
    const double left = measured * static_cast<double>(total - std::max<qint64>(raw, 0)) / static_cast<double>(arrived);
    if (!std::isfinite(left) || left >= 3600.0)
        return {};
    return translation::text(texts::timeLeft).arg(minutesAndSeconds(static_cast<qint64>(left)));
}

// The record's count for several downloads at once, else the size of the one download's file.
std::optional<qint64> arrivedBytes(const QJsonObject &record, const SizeLookup &sizeOf)
{
    const std::optional<qint64> done = progress::downloadDone(record);
    return done ? done : sizeOf(progress::downloadPath(record));
}

} // namespace

QString minutesAndSeconds(qint64 seconds)
{
    return QString::asprintf("%lld:%02lld", seconds / 60, seconds % 60);
}

Display update(const std::optional<QJsonObject> &record, Clock::time_point now,
               std::optional<Clock::time_point> setupStartedAt, const Measuring &measuring, const SizeLookup &sizeOf)
{
    Display display;
    display.measuring = measuring;
    if (!record)
        return display;

    const QString message = progress::message(*record);
    if (!message.isEmpty()) {
        display.status = translation::shown(message);
        return display;
    }

    const QString label = translation::shown(progress::label(*record));
    const QString downloadPath = progress::downloadPath(*record);
    const qint64 downloadTotal = progress::downloadTotal(*record);

    if (json::stringMember(*record, progress::stateKey) == progress::completeState) {
        display.bar = Bar::Determinate;
        display.percent = 100;
        display.status = label;
        return display;
    }

    QString secondLine;
    const std::optional<qint64> raw =
        downloadPath.isEmpty() || downloadTotal < 1 ? std::nullopt : arrivedBytes(*record, sizeOf);
    if (raw) {
        const qint64 shown = *raw >= downloadTotal ? downloadTotal : std::max<qint64>(*raw, 0);
        display.bar = Bar::Determinate;
        // Rounding of totals beyond 2^53 bytes can carry a full download just past 100.
        display.percent = std::min(100.0, static_cast<double>(shown) * 100.0 / static_cast<double>(downloadTotal));
        if (display.measuring.path != downloadPath)
            display.measuring = Measuring{downloadPath, now, shown};
        secondLine = translation::text(texts::downloaded)
                         .arg(translation::number(static_cast<double>(shown) / 1e6, 1),
                              translation::number(static_cast<double>(downloadTotal) / 1e6, 1))
                     + timeLeft(display.measuring, now, *raw, shown, downloadTotal);
    } else {
        display.bar = Bar::Indeterminate;
        secondLine = elapsedLine(setupStartedAt, now);
    }
    const QString step = translation::number(qint64(progress::step(*record)));
    const QString totalSteps = translation::number(qint64(progress::totalSteps(*record)));
    display.status = translation::text(texts::stepLine).arg(step, totalSteps, label, secondLine);
    return display;
}

} // namespace progressdisplay
