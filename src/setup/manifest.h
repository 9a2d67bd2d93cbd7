#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The packaged runtime manifest: which Python runtime archive to fetch and how to recognise it.
namespace manifest {

struct RuntimeArchive
{
    QString url;    // https only
    QString sha256; // expected digest; also the archive's file name
    qint64 size = 0;
};

// Throws the parser's error for bytes that are not JSON, and SetupError "The packaged runtime
// manifest is incomplete." for a document that breaks a rule. `path` only names the file in errors.
RuntimeArchive parse(const QByteArray &bytes, const QString &path);

// The digest becomes a file name, so it must stay one: no "/", no NUL, not "", "." or "..".
bool isSafeFileName(const QString &name);

// curl's command line: no configuration file of the user's, fail on HTTP errors, HTTPS only (also on
// redirects), resume at the file's current length, three retries, bounded connect and transfer times.
QStringList curlArguments(const QString &archivePath, const QString &url);

} // namespace manifest
