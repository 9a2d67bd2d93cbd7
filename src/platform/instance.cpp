#include "platform/instance.h"

#include "platform/bundle.h"
#include "platform/filelock.h"
#include "platform/sha256.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const QByteArray comeForwardRequest = QByteArrayLiteral("come-forward\n");
const QByteArray acknowledgement = QByteArrayLiteral("ok\n");

int remainingMilliseconds(const QDeadlineTimer &deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

// Made 0700 when missing, and used only while it is ours alone: nobody else may plant, hold or
// answer on the files inside.
bool isPrivateFolder(const QString &path)
{
    try {
        createDirectories(QFileInfo(path).path()); // the first start may come before any setup
    } catch (const std::exception &) {
        return false;
    }
    const QByteArray encoded = QFile::encodeName(path);
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info
    {};
    return ::lstat(encoded.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()
           && (info.st_mode & 077) == 0;
}

} // namespace

InstanceAddress instanceAddress(const QString &bundle, const QString &runtimeDirectory,
                                const QString &fallbackDirectory, const QString &shortDirectory)
{
    const bool useRuntime = QDir::isAbsolutePath(runtimeDirectory) && QFileInfo(runtimeDirectory).isDir();
    const QByteArray path = bundle.toUtf8();
    Sha256 digest;
    digest.update(path.constData(), std::size_t(path.size()));
    const QString name = QString::fromLatin1(digest.finish().toHex().left(24));
    const auto inFolder = [&name](const QString &folder, const char *suffix) {
        return QStringLiteral("%1/vellmora-%2/%3%4")
            .arg(QDir::cleanPath(folder))
            .arg(::getuid())
            .arg(name, QLatin1String(suffix));
    };
    const QString folder = useRuntime ? runtimeDirectory : fallbackDirectory;
    QString socket = inFolder(folder, ".sock");
    if (QFile::encodeName(socket).size() > socketPathLimit)
        socket = inFolder(shortDirectory, ".sock");
    return {socket, inFolder(folder, ".lock")};
}

QString userTemporaryFolder()
{
#ifdef __APPLE__
    char folder[PATH_MAX];
    const std::size_t length = ::confstr(_CS_DARWIN_USER_TEMP_DIR, folder, sizeof folder);
    if (length > 0 && length <= sizeof folder)
        return QFile::decodeName(folder);
#endif
    return QDir::tempPath();
}

InstanceAddress instanceAddress(const QString &bundle)
{
    // Beside the runtime directory, never in the shared temporary folder, where another user could
    // take the name first and so switch the single-instance guard off. Only a socket too long to
    // listen on goes there, in a folder of ours, where a squatter could cost the hand-over at most.
    return instanceAddress(bundle, qEnvironmentVariable("XDG_RUNTIME_DIR"),
                           applicationSupportBase() + QStringLiteral("/Vellmora"), userTemporaryFolder());
}

Instance::Instance(const InstanceAddress &address)
{
    if (!isPrivateFolder(QFileInfo(address.lock).path()))
        return;
    FileHandle file(openLockFile(address.lock));
    if (!file.isOpen())
        return;
    if (!tryLockExclusive(file.fd())) {
        elsewhere = errno == EWOULDBLOCK;
        return;
    }
    lock = std::move(file);
    const QString socketFolder = QFileInfo(address.socket).path();
    if (socketFolder == QFileInfo(address.lock).path() || isPrivateFolder(socketFolder))
        listen(address.socket);
}

Instance::~Instance() = default;

void Instance::listen(const QString &socket)
{
    // Only an owner that died leaves a socket behind, and the lock says that owner is gone.
    QLocalServer::removeServer(socket);
    server = std::make_unique<QLocalServer>();
    if (!server->listen(socket)) {
        // Later starts then find nobody to ask and give up after their wait; this one runs on.
        server.reset();
        return;
    }
    QObject::connect(server.get(), &QLocalServer::newConnection, server.get(), [this] { acceptRequests(); });
}

void Instance::onComeForward(QObject *context, std::function<void()> handler)
{
    receiver = context;
    comeForward = std::move(handler);
}

void Instance::acceptRequests()
{
    while (QLocalSocket *connection = server->nextPendingConnection()) {
        QObject::connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        QObject::connect(connection, &QLocalSocket::readyRead, connection, [this, connection] { answer(connection); });
    }
}

void Instance::answer(QLocalSocket *connection)
{
    if (!connection->canReadLine())
        return;
    if (connection->readLine() == comeForwardRequest && receiver && comeForward)
        comeForward();
    connection->write(acknowledgement);
    connection->disconnectFromServer();
}

bool askToComeForward(const QString &socket, std::chrono::milliseconds patience)
{
    const QDeadlineTimer deadline(patience.count());
    while (!deadline.hasExpired()) {
        QLocalSocket connection;
        connection.connectToServer(socket);
        if (connection.waitForConnected(remainingMilliseconds(deadline))) {
            connection.write(comeForwardRequest);
            connection.waitForBytesWritten(remainingMilliseconds(deadline));
            return connection.waitForReadyRead(remainingMilliseconds(deadline))
                   && connection.readLine() == acknowledgement;
        }
        QThread::msleep(20); // not listening yet, or on its way out
    }
    return false;
}

} // namespace platform
