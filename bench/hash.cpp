// Throughput of the launcher's file hash against `openssl dgst -sha256` on the same file, in the
// same run, plus the peak memory the hash adds. Usage: bench_hash [MiB] (default 1024).
#include "benchsupport.h"
#include "studio/receipt.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.bin"));
    bench::writeTestFile(path, mebibytes);

    const long before = peakResidentKiB();
    std::vector<double> ours, openssl;
    QString digest;
    for (int round = 0; round < 3; ++round) {
        ours.push_back(bench::seconds([&] { digest = receipt::hash(path); }));
        openssl.push_back(bench::seconds([&] { bench::opensslDigest(path); }));
    }
    const long growth = peakResidentKiB() - before;
    const double best = *std::min_element(ours.begin(), ours.end());
    const double baseline = *std::min_element(openssl.begin(), openssl.end());
    const auto mib = static_cast<double>(mebibytes);
    std::printf("file: %lld MiB, digest %s\n", static_cast<long long>(mebibytes), qPrintable(digest));
    std::printf("hash:    %.3f s (%.0f MiB/s)\n", best, mib / best);
    std::printf("openssl: %.3f s (%.0f MiB/s)\n", baseline, mib / baseline);
    std::printf("throughput ratio (hash / openssl): %.2f\n", baseline / best);
    std::printf("peak memory growth while hashing: %ld KiB\n", growth);
    return 0;
}
