#pragma once

#include <QStringList>

namespace startup {

// "--repair" counts only as a whole, case-sensitive element (the executable path included).
bool hasRepairFlag(const QStringList &arguments);

} // namespace startup
