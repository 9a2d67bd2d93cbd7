#include "shell/launcher.h"

#include "platform/files.h"
#include "shell/setuperror.h"
#include "shell/texts.h"
#include "studio/branding.h"

#include <QDir>

QString StudioLauncher::brandInterpreter(const QString &directory, const QString &role) const
{
    const std::optional<platform::PlistDictionary> info = branding::readInfo(launcherContext().infoPlist);
    if (!branding::identityMatches(info, name))
        throw SetupError(texts::identityIncomplete);

    // Fixed order, nothing rolled back: link, Info.plist, icon.
    const QDir folder(directory);
    QString link = folder.absoluteFilePath(branding::linkName(name));
    platform::createSymbolicLink(folder.absoluteFilePath(QStringLiteral("python3")), link);
    platform::writeFileAtomically(folder.absoluteFilePath(QStringLiteral("Info.plist")),
                                  branding::brandedInfo(*info, name, role).toXml());
    platform::copyFileExclusive(resources + QStringLiteral("/Tarnwick.icns"),
                                folder.absoluteFilePath(QStringLiteral("Tarnwick.icns")));
    return link;
}
