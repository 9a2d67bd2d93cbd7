#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace modelprofile {

inline constexpr qint64 fullWarningBelow = qint64(24) << 30;

// Full precision needs about 24 GiB; below that the choice is grayed and asks first.
inline bool warnsAboutFull(qint64 physicalMemory)
{
    return physicalMemory < fullWarningBelow;
}

QString memoryNote(qint64 physicalMemory);

// The profile a saved "model-profile.json" names, or none for anything malformed.
std::optional<QString> parseSaved(const QByteArray &bytes);
QByteArray serialise(const QString &profile);

} // namespace modelprofile
