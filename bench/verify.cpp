// The worker's check of a reused archive (the reuse hash, the size, the verifying hash) against
// two runs of `openssl dgst -sha256` on the same file, in one invocation.
// Usage: bench_verify [MiB] (default 1024).
#include "benchsupport.h"
#include "setup/archive.h"
#include "studio/receipt.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.tar.gz"));
    bench::writeTestFile(path, mebibytes);
    const manifest::RuntimeArchive expected{QStringLiteral("https://127.0.0.1/a"), receipt::hash(path),
                                            mebibytes << 20};

    std::vector<double> ours, baseline;
    for (int round = 0; round < 3; ++round) {
        ours.push_back(bench::seconds([&] {
            if (!archive::alreadyDownloaded(path, expected.sha256))
                std::abort();
            archive::verify(path, expected);
        }));
        baseline.push_back(bench::seconds([&] {
            bench::opensslDigest(path);
            bench::opensslDigest(path);
        }));
    }
    const double best = *std::min_element(ours.begin(), ours.end());
    const double reference = *std::min_element(baseline.begin(), baseline.end());
    std::printf("archive: %lld MiB\n", static_cast<long long>(mebibytes));
    std::printf("reuse check + verification: %.3f s\n", best);
    std::printf("two openssl dgst runs:      %.3f s\n", reference);
    std::printf("ratio (ours / openssl): %.2f (target at most 1.10)\n", best / reference);
    return 0;
}
