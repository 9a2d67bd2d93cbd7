#include "setup/archive.h"

#include "platform/files.h"
#include "shell/setuperror.h"
#include "shell/texts.h"
#include "studio/receipt.h"

namespace archive {

namespace {
[[noreturn]] void reject(const QString &path)
{
    platform::removeFileQuietly(path);
    throw SetupError(texts::checksumFailed);
}
} // namespace

bool alreadyDownloaded(const QString &path, const QString &sha256)
{
    try {
        return receipt::hash(path) == sha256;
    } catch (const std::exception &) {
        return false; // usually: nothing downloaded yet
    }
}

void verify(const QString &path, const manifest::RuntimeArchive &expected)
{
    platform::requireAttributes(path);
    if (platform::fileSize(path) != expected.size)
        reject(path);
    if (receipt::hash(path) != expected.sha256)
        reject(path);
}

} // namespace archive
