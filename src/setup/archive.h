#pragma once

#include "setup/manifest.h"

#include <QString>

// The runtime archive in the downloads folder: whether it can be reused, and whether it is the
// archive the manifest names.
namespace archive {

// True when the file exists and its digest equals `sha256` exactly.
bool alreadyDownloaded(const QString &path, const QString &sha256);

// Size first (cheap), then the digest. Deletes a rejected archive and throws SetupError with the
// checksum sentence; throws the platform's error when the file cannot be examined.
void verify(const QString &path, const manifest::RuntimeArchive &expected);

} // namespace archive
