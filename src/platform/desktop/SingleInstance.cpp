#include "platform/desktop/SingleInstance.h"

#include "platform/files/Sys.h"
#include "runtime/Log.h"
#include "runtime/StreamingHash.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Bounds of one exchange, so that a hung owner never stops a launch for long.
constexpr int connectMs = 1000;
constexpr int answerMs = 2000;

using InstanceMessage::maxLine;

// A real folder of this user's (never a link) that nobody else may enter.
bool isPrivate(const QString& folder) {
    struct stat info {};
    return Sys::lstat(QFile::encodeName(folder), info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 0777) == 0700;
}

// Makes `folder` private when it is missing. One that is there already is used only when it is
// private: in a shared folder another user may have made it first, so it is never taken over.
bool makePrivate(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    if (Sys::mkdir(name, 0700) == 0) {
        // Ours now, and in a sticky folder nobody else can swap it: the umask may have narrowed it.
        Sys::chmod(name, 0700);
    } else if (errno != EEXIST) {
        return false;
    }
    return isPrivate(folder);
}

bool fitsSocketAddress(const QString& path) {
    return size_t(QFile::encodeName(path).size()) < sizeof(sockaddr_un::sun_path);
}

// Whether the process at the other end of a connected local socket runs as this user.
bool sameUser(qintptr fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return fd >= 0 && ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
           length == sizeof credentials && credentials.uid == ::getuid();
}

// Whether the path itself is a socket of this user; a link is not followed.
bool ownSocket(const QString& path) {
    struct stat info {};
    return Sys::lstat(QFile::encodeName(path), info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == ::getuid();
}

// Reads one line within the time left; nothing on time-out, close or overlong input.
std::optional<QByteArray> readLine(QLocalSocket& socket, const QElapsedTimer& timer) {
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > maxLine || socket.state() != QLocalSocket::ConnectedState)
            return std::nullopt;
        const auto left = answerMs - timer.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(int(left)))
            return std::nullopt;
    }
    return socket.readLine(maxLine);
}

} // namespace

QString SingleInstance::socketPath(const std::optional<QString>& sandbox) {
    const QString uid = QString::number(::getuid());
    QString name = QStringLiteral("com.quenlark.Quenlark.") + uid;
    if (sandbox) {
        // A digest keeps the name within the socket path limit whatever the folder's length.
        const auto digest = StreamingHash::of(StreamingHash::Algorithm::Sha256, sandbox->toUtf8()).toHex().left(16);
        name += QLatin1Char('.') + QString::fromLatin1(digest);
    }
    const auto usable = [&name](const QString& folder) { return fitsSocketAddress(folder + QLatin1Char('/') + name); };
    // The runtime folder is the user's own by definition, but only trusted when it is so.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivate(runtime) && usable(runtime))
        return runtime + QLatin1Char('/') + name;
    const QString temporary = QDir::tempPath() + QStringLiteral("/quenlark-") + uid;
    if (usable(temporary) && makePrivate(temporary))
        return temporary + QLatin1Char('/') + name;
    // Another user took the name in the temporary folder: the home is out of their reach.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString own = cache + QStringLiteral("/quenlark-") + uid;
    if (usable(own) && QDir().mkpath(cache) && makePrivate(own))
        return own + QLatin1Char('/') + name;
    qCWarning(lcPlatform) << "No folder private to this user holds the single-instance socket.";
    return {};
}

SingleInstance::SingleInstance(QString socketPath, QString bundle, QString version, QObject* parent)
    : QObject(parent), path_(std::move(socketPath)), bundle_(std::move(bundle)), version_(std::move(version)),
      server_(this) {
    // No socket options: with them Qt renames its socket over an existing one, which would take
    // the name from a copy that is still running.
    connect(&server_, &QLocalServer::newConnection, this, [this] { accept(); });
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::listen() { return server_.isListening() || server_.listen(path_); }

bool SingleInstance::replace() {
    // Nobody of this user answers there: what is left is a crashed copy's socket, or something
    // that is not ours. The folder is ours, so it goes.
    QLocalServer::removeServer(path_);
    return listen();
}

SingleInstance::Outcome SingleInstance::claim(const QStringList& args) {
    // Without a private folder nothing is shared with other copies.
    if (path_.isEmpty())
        return Outcome::Beside;
    if (listen())
        return Outcome::Owner;
    const Exchange first = exchange(std::nullopt);
    if (!first.connected)
        return replace() ? Outcome::Owner : Outcome::Beside;
    peer_ = first.peer;
    if (!peer_ || peer_->bundle != bundle_)
        return Outcome::Beside;
    const Exchange handed = exchange(InstanceMessage::request({InstanceMessage::Request::Kind::Open, args}));
    return handed.acknowledged ? Outcome::HandedOver : Outcome::Beside;
}

bool SingleInstance::ask(Request request) {
    const auto kind =
        request == Request::Quit ? InstanceMessage::Request::Kind::Quit : InstanceMessage::Request::Kind::Activate;
    return exchange(InstanceMessage::request({kind, {}})).acknowledged;
}

bool SingleInstance::takeOver() {
    if (path_.isEmpty())
        return false;
    if (listen())
        return true;
    if (exchange(std::nullopt).connected)
        return false;
    return replace();
}

SingleInstance::Exchange SingleInstance::exchange(const std::optional<QByteArray>& message) const {
    Exchange result;
    if (!ownSocket(path_))
        return result;
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (!socket.waitForConnected(connectMs))
        return result;
    if (!sameUser(socket.socketDescriptor())) {
        qCWarning(lcPlatform) << "The single-instance socket is held by another user; it is not used.";
        socket.abort();
        return result;
    }
    result.connected = true;
    QElapsedTimer timer;
    timer.start();
    const auto hello = readLine(socket, timer);
    result.peer = hello ? InstanceMessage::readGreeting(*hello) : std::nullopt;
    if (!result.peer || !message)
        return result;
    socket.write(*message);
    socket.flush();
    const auto answer = readLine(socket, timer);
    result.acknowledged = answer && InstanceMessage::readAcknowledgement(*answer);
    socket.disconnectFromServer();
    return result;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection())
        serve(socket);
}

void SingleInstance::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!sameUser(socket->socketDescriptor())) {
        // Not even the greeting: who runs here is nobody else's business.
        qCWarning(lcPlatform) << "A caller of another user on the single-instance socket was refused.";
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->write(InstanceMessage::greeting({bundle_, version_, QCoreApplication::applicationPid()}));
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        while (socket->canReadLine()) {
            const auto request = InstanceMessage::readRequest(socket->readLine(maxLine));
            socket->write(InstanceMessage::acknowledgement(request.has_value()));
            socket->flush();
            if (!request)
                continue;
            // Acknowledged first, so the caller can end before the work here begins.
            switch (request->kind) {
            case InstanceMessage::Request::Kind::Open:
                Q_EMIT argumentsReceived(request->args);
                break;
            case InstanceMessage::Request::Kind::Quit:
                Q_EMIT quitRequested();
                break;
            case InstanceMessage::Request::Kind::Activate:
                Q_EMIT activateRequested();
                break;
            }
        }
        if (socket->bytesAvailable() > maxLine)
            socket->abort();
    });
}
