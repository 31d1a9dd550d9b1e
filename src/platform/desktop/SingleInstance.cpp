#include "platform/desktop/SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bounds of one exchange, so that a hung owner never stops a launch for long.
constexpr int connectMs = 1000;
constexpr int answerMs = 2000;
// A message is one JSON line; anything longer is not ours.
constexpr qint64 maxLine = 256 * 1024;

QByteArray line(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> parse(const QByteArray& bytes) {
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(bytes.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
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
    // Only this user can reach a socket in the runtime folder (mode 0700); without one, a
    // folder of our own in the temporary folder stands in for it.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString folder = runtime;
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir()) {
        folder = QDir::tempPath() + QStringLiteral("/quenlark-") + QString::number(getuid());
        const QByteArray name = QFile::encodeName(folder);
        ::mkdir(name.constData(), 0700);
        struct stat info {};
        if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
            folder = QDir::tempPath();
        else
            ::chmod(name.constData(), 0700);
    }
    QString name = QStringLiteral("com.quenlark.Quenlark.") + QString::number(getuid());
    if (sandbox) {
        // A digest keeps the name within the socket path limit whatever the folder's length.
        const auto digest = QCryptographicHash::hash(sandbox->toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
        name += QLatin1Char('.') + QString::fromLatin1(digest);
    }
    return folder + QLatin1Char('/') + name;
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

SingleInstance::Outcome SingleInstance::claim(const QStringList& args) {
    if (listen())
        return Outcome::Owner;

    QJsonObject open{{QStringLiteral("request"), QStringLiteral("open")},
                     {QStringLiteral("args"), QJsonArray::fromStringList(args)}};
    const Exchange first = exchange(std::nullopt);
    if (!first.connected) {
        // Nobody listens: the socket file is what a crashed copy left behind.
        QLocalServer::removeServer(path_);
        return listen() ? Outcome::Owner : Outcome::Beside;
    }
    peer_ = first.peer;
    if (!peer_ || peer_->bundle != bundle_)
        return Outcome::Beside;
    const Exchange handed = exchange(line(open));
    return handed.acknowledged ? Outcome::HandedOver : Outcome::Beside;
}

bool SingleInstance::ask(Request request) {
    const QString name = request == Request::Quit ? QStringLiteral("quit") : QStringLiteral("activate");
    return exchange(line({{QStringLiteral("request"), name}})).acknowledged;
}

bool SingleInstance::takeOver() {
    if (listen())
        return true;
    if (exchange(std::nullopt).connected)
        return false;
    QLocalServer::removeServer(path_);
    return listen();
}

SingleInstance::Exchange SingleInstance::exchange(const std::optional<QByteArray>& message) const {
    Exchange result;
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (!socket.waitForConnected(connectMs))
        return result;
    result.connected = true;
    QElapsedTimer timer;
    timer.start();
    const auto hello = readLine(socket, timer);
    const auto greeting = hello ? parse(*hello) : std::nullopt;
    if (!greeting)
        return result;
    result.peer = Peer{greeting->value(QStringLiteral("bundle")).toString(),
                       greeting->value(QStringLiteral("version")).toString(),
                       qint64(greeting->value(QStringLiteral("pid")).toDouble())};
    if (!message)
        return result;
    socket.write(*message);
    socket.flush();
    const auto answer = readLine(socket, timer);
    const auto reply = answer ? parse(*answer) : std::nullopt;
    result.acknowledged = reply && reply->value(QStringLiteral("ok")).toBool();
    socket.disconnectFromServer();
    return result;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection())
        serve(socket);
}

void SingleInstance::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    socket->write(line({{QStringLiteral("bundle"), bundle_},
                        {QStringLiteral("version"), version_},
                        {QStringLiteral("pid"), double(QCoreApplication::applicationPid())}}));
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        while (socket->canReadLine()) {
            const auto request = parse(socket->readLine(maxLine));
            const QString kind = request ? request->value(QStringLiteral("request")).toString() : QString();
            const bool known = kind == QLatin1String("open") || kind == QLatin1String("quit") ||
                               kind == QLatin1String("activate");
            socket->write(line({{QStringLiteral("ok"), known}}));
            socket->flush();
            // Acknowledged first, so the caller can end before the work here begins.
            if (kind == QLatin1String("open")) {
                QStringList args;
                for (const auto& value : request->value(QStringLiteral("args")).toArray())
                    args.append(value.toString());
                Q_EMIT argumentsReceived(args);
            } else if (kind == QLatin1String("quit")) {
                Q_EMIT quitRequested();
            } else if (kind == QLatin1String("activate")) {
                Q_EMIT activateRequested();
            }
        }
        if (socket->bytesAvailable() > maxLine)
            socket->abort();
    });
}
