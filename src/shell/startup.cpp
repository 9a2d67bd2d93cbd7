#include "shell/startup.h"

namespace startup {

bool hasRepairFlag(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--repair"), Qt::CaseSensitive);
}

} // namespace startup
