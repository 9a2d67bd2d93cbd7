// The progress record on arbitrary bytes: every member lookup answers with its type or its
// default, the failure text comes only from a failed record, and the window's status text
// follows the record for any download size the file system might report.
#include "fuzzcheck.h"

#include "setup/jsonmembers.h"
#include "setup/progressrecord.h"
#include "setupwindow/progressdisplay.h"

#include <QJsonValue>

#include <limits>

namespace {

using namespace std::chrono_literals;
using progressdisplay::Bar;
using progressdisplay::Clock;

const QLatin1String keys[] = {progress::labelKey,        progress::percentKey,       progress::stateKey,
                              progress::messageKey,      progress::stepKey,          progress::totalStepsKey,
                              progress::downloadPathKey, progress::downloadTotalKey, progress::downloadDoneKey};

void checkMembers(const QJsonObject &record)
{
    for (const QLatin1String key : keys) {
        const QJsonValue value = record.value(key);
        if (const std::optional<QString> text = json::stringMember(record, key))
            FUZZ_REQUIRE(value.isString() && value.toString() == *text);
        else
            FUZZ_REQUIRE(!value.isString());
        if (const std::optional<qint64> number = json::integerMember(record, key))
            FUZZ_REQUIRE(value.isDouble() && static_cast<double>(*number) == value.toDouble());
        else
            FUZZ_REQUIRE(!value.isDouble() || !json::wholeNumber(value.toDouble()));
    }
    const std::optional<QString> failure = progress::failureText(record);
    FUZZ_REQUIRE(failure.has_value()
                 == (json::stringMember(record, progress::stateKey) == QStringLiteral("failed")
                     && record.value(progress::messageKey).isString()));
    if (failure)
        FUZZ_REQUIRE(*failure == progress::message(record));
}

void checkDisplay(const QJsonObject &record, const progressdisplay::Display &display, const QString &trackedBefore)
{
    FUZZ_REQUIRE(display.status.has_value());
    const QString &status = *display.status;
    const QString message = progress::message(record);
    if (!message.isEmpty()) {
        FUZZ_REQUIRE(status == message && display.bar == Bar::Unchanged);
        return;
    }
    const QString label = progress::label(record);
    if (json::stringMember(record, progress::stateKey) == QStringLiteral("complete")) {
        FUZZ_REQUIRE(status == label && display.bar == Bar::Determinate && display.percent == 100);
        return;
    }
    FUZZ_REQUIRE(status.startsWith(QStringLiteral("Step %1 of %2 · %3\n")
                                       .arg(progress::step(record))
                                       .arg(progress::totalSteps(record))
                                       .arg(label)));
    FUZZ_REQUIRE(display.bar != Bar::Unchanged);
    if (display.bar == Bar::Determinate)
        FUZZ_REQUIRE(display.percent >= 0 && display.percent <= 100);
    FUZZ_REQUIRE(display.measuring.path == trackedBefore || display.measuring.path == progress::downloadPath(record));
}

// Two ticks ten seconds apart, the download file growing from `first` to `second` bytes.
void checkTicks(const QJsonObject &record, std::optional<qint64> first, std::optional<qint64> second,
                std::optional<Clock::time_point> startedAt)
{
    const Clock::time_point now{10000s};
    progressdisplay::Measuring measuring;
    std::optional<qint64> size = first;
    const progressdisplay::SizeLookup sizeOf = [&](const QString &) { return size; };
    const progressdisplay::Display tick = progressdisplay::update(record, now, startedAt, measuring, sizeOf);
    checkDisplay(record, tick, measuring.path);
    size = second;
    const progressdisplay::Display next = progressdisplay::update(record, now + 10s, startedAt, tick.measuring, sizeOf);
    checkDisplay(record, next, tick.measuring.path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::optional<QJsonObject> record = progress::parse(fuzz::bytes(data, size));
    if (!record) {
        const progressdisplay::Display unchanged =
            progressdisplay::update(record, Clock::time_point{}, std::nullopt, {}, {});
        FUZZ_REQUIRE(!unchanged.status && unchanged.bar == Bar::Unchanged);
        FUZZ_REQUIRE(!progress::failureText(record));
        return 0;
    }
    checkMembers(*record);

    const qint64 total = progress::downloadTotal(*record);
    const auto near = [total](qint64 delta) {
        qint64 sum = 0;
        return __builtin_add_overflow(total, delta, &sum) ? total : sum;
    };
    const std::optional<qint64> sizes[] = {std::nullopt, -1,    0,       total / 2,
                                           near(-1),     total, near(1), std::numeric_limits<qint64>::max()};
    const std::optional<Clock::time_point> started[] = {std::nullopt, Clock::time_point{10000s - 3725s},
                                                        Clock::time_point{20000s}};
    for (const std::optional<Clock::time_point> &startedAt : started) {
        for (const std::optional<qint64> &first : sizes)
            checkTicks(*record, first, total, startedAt);
        checkTicks(*record, 0, near(-1), startedAt);
    }
    return 0;
}
