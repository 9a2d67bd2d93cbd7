#pragma once

// What every benchmark does the same way: time a piece of work, make a large test file, and run
// the `openssl dgst -sha256` baseline.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <functional>

namespace bench {

inline double seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// `mebibytes` MiB, each MiB filled with a byte derived from its index.
inline void writeTestFile(const QString &path, qint64 mebibytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 i = 0; i < mebibytes; ++i) {
        std::fill(chunk.begin(), chunk.end(), static_cast<char>(i * 37 + 1));
        file.write(chunk);
    }
}

inline void opensslDigest(const QString &path)
{
    QProcess::execute(QStringLiteral("/usr/bin/openssl"), {QStringLiteral("dgst"), QStringLiteral("-sha256"),
                                                           QStringLiteral("-out"), QStringLiteral("/dev/null"), path});
}

} // namespace bench
