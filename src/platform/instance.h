#pragma once

#include "platform/files.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace platform {

// Where one bundle copy of one user meets its later starts: a socket and a lock file beside it.
struct InstanceAddress
{
    QString socket;
    QString lock;
};

// The longest socket path every platform can listen on: macOS's address holds 104 bytes, the
// terminating NUL included.
inline constexpr qsizetype socketPathLimit = 103;

// In a folder named after the user, in `runtimeDirectory` when that is an absolute path to a
// folder, else in `fallbackDirectory`; named by a hash of the bundle's real path. A socket whose
// path would exceed socketPathLimit there (a long home folder) goes to `shortDirectory` instead.
InstanceAddress instanceAddress(const QString &bundle, const QString &runtimeDirectory,
                                const QString &fallbackDirectory, const QString &shortDirectory);
// The same from $XDG_RUNTIME_DIR and, without it, the folder that holds the runtime directory;
// a socket too long for either goes to the user's temporary folder (macOS gives each user one).
InstanceAddress instanceAddress(const QString &bundle);
// The user's temporary folder: on macOS the private one the system gives each user.
QString userTemporaryFolder();

// The launcher of one bundle copy. The first process to construct it holds an advisory lock
// that the system drops however the process ends, and listens for later starts; in a later
// start it only finds the lock taken.
class Instance
{
public:
    explicit Instance(const InstanceAddress &address);
    ~Instance();
    Instance(const Instance &) = delete;
    Instance &operator=(const Instance &) = delete;

    // Another process of this bundle copy holds the lock. False too when the folder or the lock
    // file cannot be used at all: then this start goes ahead unguarded rather than not at all.
    bool runningElsewhere() const { return elsewhere; }
    // Owner: calls `handler` on the main thread whenever a later start asks to come forward,
    // for as long as `context` exists.
    void onComeForward(QObject *context, std::function<void()> handler);

private:
    FileHandle lock; // released last: the socket is gone before another process can take over
    std::unique_ptr<QLocalServer> server;
    bool elsewhere = false;
    QPointer<QObject> receiver;
    std::function<void()> comeForward;

    void listen(const QString &socket);
    void acceptRequests();
    void answer(QLocalSocket *connection);
};

// A later start: asks the owner listening at `socket` to come forward, trying until `patience`
// has passed (the owner may not listen yet, or hang). True when the owner acknowledged.
bool askToComeForward(const QString &socket, std::chrono::milliseconds patience);

} // namespace platform
