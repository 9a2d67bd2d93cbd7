#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QLatin1String>
#include <QString>
#include <optional>

// The progress record "setup-progress.json": written whole and atomically by every writer,
// read by the window's poll and by the failure completion.
namespace progress {

inline constexpr QLatin1String labelKey{"label"};
inline constexpr QLatin1String percentKey{"percent"};
inline constexpr QLatin1String stateKey{"state"};
inline constexpr QLatin1String messageKey{"message"};
inline constexpr QLatin1String stepKey{"step"};
inline constexpr QLatin1String totalStepsKey{"total_steps"};
inline constexpr QLatin1String downloadPathKey{"download_path"};
inline constexpr QLatin1String downloadTotalKey{"download_total"};
// Written by the bootstrap script alone, for several downloads at once: their bytes so far.
inline constexpr QLatin1String downloadDoneKey{"download_done"};

inline constexpr QLatin1String runningState{"running"};
inline constexpr QLatin1String failedState{"failed"};
inline constexpr QLatin1String completeState{"complete"};

// Built with designated initialisers; the defaults are what the launcher always writes: no
// message, four steps, no download.
struct Record
{
    QString label{};
    qint64 percent = 0;
    QString state{};
    QString message{};
    qint64 step = 1;
    qint64 totalSteps = 4;
    QString downloadPath{};
    qint64 downloadTotal = 0;
};

// The launcher's own failed record: `text` as the label, percent 0, step 1.
Record failed(const QString &text);

// Compact UTF-8 JSON with exactly the eight members.
QByteArray encode(const Record &record);
// Replaces the record at `path` through a temporary file beside it. A failed write is dropped:
// the previous record, if any, stays.
void write(const QString &path, const Record &record);

// The record's top-level object; none when the file is missing, unreadable, not JSON or not an
// object. Every reader goes through here.
std::optional<QJsonObject> read(const QString &path);
// The same for bytes already read.
std::optional<QJsonObject> parse(const QByteArray &bytes);

// Members with the default a reader assumes when they are missing or of another type.
QString label(const QJsonObject &record);        // "Preparing your studio…"
QString message(const QJsonObject &record);      // empty
qint64 step(const QJsonObject &record);          // 1
qint64 totalSteps(const QJsonObject &record);    // 4
QString downloadPath(const QJsonObject &record); // empty
qint64 downloadTotal(const QJsonObject &record); // 0
// Bytes of the downloads so far, out of "download_total"; none: the size of "download_path".
std::optional<qint64> downloadDone(const QJsonObject &record);

// The failure text a failed record carries: its "message" when "state" is "failed" and
// "message" is a string, empty text included; otherwise none.
std::optional<QString> failureText(const std::optional<QJsonObject> &record);

} // namespace progress
