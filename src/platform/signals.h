#pragma once

#include <QObject>
#include <functional>

namespace platform {

// Delivers SIGTERM, SIGINT and SIGHUP to `handler` on the thread of `context` (the main
// thread), through a close-on-exec self-pipe, so the handler may touch anything.
void onTerminationSignals(QObject *context, std::function<void()> handler);

} // namespace platform
