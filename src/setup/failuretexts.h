#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace failuretexts {

inline constexpr qint64 requiredFreeSpace = qint64(20) << 30;

// The refusal when the runtime's volume has less than 20 GiB free; none when there is room or
// the free space is unknown (setup is not held up by what it cannot measure).
std::optional<QString> spaceError(std::optional<qint64> freeBytes);

// Whether a failure's own words say that the disk filled up: the OS's reason as the platform's
// error texts and Python carry it, or as tar writes it ("Cannot write: No space left on device").
bool saysDiskFull(const QString &text);

// What curl's last error line in `log` ("curl: (60) SSL certificate problem: …") says went wrong.
// `refused` is an answer that asking again cannot change: an HTTP status of 400 to 499 but 408,
// 416 (a resume past the end, mended by starting over) and 429, or a redirect to a scheme curl
// may not follow. `none` when curl wrote no such line.
enum class DownloadFault { none, transient, refused, certificate, proxySignIn };
DownloadFault downloadFault(const QByteArray &log);

// What the user reads when an attempt failed with the worker's `workerText`: that the disk is
// full when the worker's text, the bootstrap's `recorded` failure text or the attempt `log` says
// so (the most precise cause), else what the last download's own failure tells the user to do,
// else the recorded text unless it is empty, else the worker's.
QString attemptFailure(const QString &workerText, const std::optional<QString> &recorded, const QByteArray &log);

} // namespace failuretexts
