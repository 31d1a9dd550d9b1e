#include "sources/HttpStream.h"

#include <QCoro/QCoroSignal>
#include <QNetworkProxyFactory>
#include <QSslSocket>
#include <QTcpSocket>

namespace {

// As much head as Qt's own client takes before it gives up on an answer.
constexpr qint64 headCeiling = 256 * 1024;
constexpr int fieldCeiling = 100;

TransportError::Kind kindOf(QAbstractSocket::SocketError error) {
    using K = TransportError::Kind;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return K::ConnectionRefused;
    case QAbstractSocket::HostNotFoundError:
        return K::HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return K::TimedOut;
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::NetworkError:
        return K::ConnectionLost;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return K::Secure;
    default:
        return K::Other;
    }
}

bool hasBody(int status) { return status >= 200 && status != 204 && status != 304; }

// The http proxy a plain http address goes through, as the access manager picks it; else none.
std::optional<QNetworkProxy> httpProxyFor(const QUrl& url) {
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
    if (proxies.isEmpty())
        return std::nullopt;
    const QNetworkProxy& first = proxies.first();
    if (first.type() != QNetworkProxy::HttpProxy && first.type() != QNetworkProxy::HttpCachingProxy)
        return std::nullopt;
    return first;
}

} // namespace

QByteArray HttpStream::Head::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers)
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

HttpStream::HttpStream(QUrl url, QByteArray userAgent, qint64 bound, std::chrono::milliseconds idle)
    : url_(std::move(url)), userAgent_(std::move(userAgent)) {
    const bool secure = url_.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    socket_ = secure ? std::make_unique<QSslSocket>() : std::make_unique<QTcpSocket>();
    // A plain http address goes to an http proxy as its own GET, never through a tunnel
    // (CONNECT), which many proxies allow to port 443 only. Secure ones tunnel as the socket
    // decides.
    if (!secure)
        proxy_ = httpProxyFor(url_);
    if (proxy_)
        socket_->setProxy(QNetworkProxy::NoProxy);
    // Set before connecting: no byte of the answer is ever read past it.
    socket_->setReadBufferSize(bound);
    idle_.setSingleShot(true);
    idle_.setInterval(idle);
    connect(&idle_, &QTimer::timeout, this,
            [this] { fail(TransportError::Kind::TimedOut, QStringLiteral("no bytes within the idle limit")); });
    if (secure)
        connect(static_cast<QSslSocket*>(socket_.get()), &QSslSocket::encrypted, this, &HttpStream::connected);
    else
        connect(socket_.get(), &QAbstractSocket::connected, this, &HttpStream::connected);
    connect(socket_.get(), &QIODevice::readyRead, this, &HttpStream::readable);
    connect(socket_.get(), &QAbstractSocket::disconnected, this, &HttpStream::closed);
    connect(socket_.get(), &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            closed();
        else
            fail(kindOf(error), socket_->errorString());
    });
}

HttpStream::~HttpStream() {
    over_ = true;
    socket_->disconnect(this);
    socket_->abort();
}

QCoro::Task<void> HttpStream::run(std::function<Next(const Head&)> onHead,
                                  std::function<void(const QByteArray&)> onBody, qint64 piece) {
    onHead_ = std::move(onHead);
    onBody_ = std::move(onBody);
    piece_ = piece;
    const bool secure = qobject_cast<QSslSocket*>(socket_.get()) != nullptr;
    const quint16 port = quint16(url_.port(secure ? 443 : 80));
    idle_.start();
    if (secure)
        static_cast<QSslSocket*>(socket_.get())->connectToHostEncrypted(url_.host(), port);
    else if (proxy_)
        socket_->connectToHost(proxy_->hostName(), proxy_->port());
    else
        socket_->connectToHost(url_.host(), port);
    if (!over_)
        co_await qCoro(this, &HttpStream::ended);
    if (thrown_)
        std::rethrow_exception(thrown_);
    if (failure_)
        throw *failure_;
}

void HttpStream::abort() { finish(); }

void HttpStream::connected() {
    if (over_)
        return;
    idle_.start();
    QByteArray target = url_.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url_.hasQuery())
        target += '?' + url_.query(QUrl::FullyEncoded).toLatin1();
    const QByteArray authority = url_.authority(QUrl::RemoveUserInfo | QUrl::FullyEncoded).toLatin1();
    QByteArray proxyFields;
    if (proxy_) {
        // A proxy takes the whole address as the target.
        target = url_.scheme().toLower().toLatin1() + "://" + authority + target;
        if (!proxy_->user().isEmpty())
            proxyFields = "Proxy-Authorization: Basic " +
                          (proxy_->user() + u':' + proxy_->password()).toUtf8().toBase64() + "\r\n";
    }
    const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + authority + "\r\n" + proxyFields +
                               "User-Agent: " + userAgent_ +
                               "\r\nAccept: */*\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n";
    socket_->write(request);
}

void HttpStream::readable() {
    if (over_)
        return;
    idle_.start();
    try {
        while (!over_ && (stage_ == Stage::Head ? readHead() : readBody())) {}
    } catch (...) {
        thrown_ = std::current_exception();
        finish();
    }
    if (!over_ && stage_ == Stage::Done)
        finish();
}

void HttpStream::closed() {
    if (over_)
        return;
    readable(); // what the socket still holds
    if (over_)
        return;
    if (stage_ == Stage::UntilClose || stage_ == Stage::Done)
        finish();
    else
        fail(TransportError::Kind::ConnectionLost, QStringLiteral("the server closed the connection early"));
}

void HttpStream::fail(TransportError::Kind kind, QString detail) {
    if (over_)
        return;
    failure_.emplace(kind, std::move(detail));
    finish();
}

void HttpStream::finish() {
    if (over_)
        return;
    over_ = true;
    idle_.stop();
    socket_->abort(); // without keep-alive the connection is never used again
    // Queued: the awaiting coroutine owns this stream and must not resume inside its slots.
    QMetaObject::invokeMethod(this, &HttpStream::ended, Qt::QueuedConnection);
}

bool HttpStream::readLine(QByteArray& line) {
    if (!socket_->canReadLine()) {
        if (socket_->bytesAvailable() >= socket_->readBufferSize())
            fail(TransportError::Kind::Other, QStringLiteral("a line of the answer is too long"));
        return false;
    }
    line = socket_->readLine();
    moved_ += line.size();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return true;
}

// One line of the head; false when more bytes are needed.
bool HttpStream::readHead() {
    QByteArray line;
    if (!readLine(line))
        return false;
    headBytes_ += line.size() + 2;
    if (headBytes_ > headCeiling || head_.headers.size() > fieldCeiling) {
        fail(TransportError::Kind::Other, QStringLiteral("the answer's head is too large"));
        return false;
    }
    if (head_.status == 0) {
        bool ok = false;
        const int status = line.startsWith("HTTP/1.") && line.size() >= 12 ? line.mid(9, 3).toInt(&ok) : 0;
        if (!ok || status < 100) {
            fail(TransportError::Kind::Other, QStringLiteral("not an HTTP answer"));
            return false;
        }
        head_.status = status;
        return true;
    }
    if (!line.isEmpty()) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            head_.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        return true;
    }
    if (head_.status < 200) { // an informational answer: the real one follows
        head_ = {};
        return true;
    }
    if (onHead_(head_) == Next::Stop || !hasBody(head_.status)) {
        stage_ = Stage::Done;
        return false;
    }
    if (head_.header("Transfer-Encoding").toLower().contains("chunked")) {
        stage_ = Stage::ChunkSize;
    } else if (const QByteArray length = head_.header("Content-Length"); !length.isEmpty()) {
        bool ok = false;
        left_ = length.toLongLong(&ok);
        if (!ok || left_ < 0) {
            fail(TransportError::Kind::Other, QStringLiteral("a malformed Content-Length"));
            return false;
        }
        stage_ = left_ > 0 ? Stage::Length : Stage::Done;
    } else {
        stage_ = Stage::UntilClose;
    }
    return true;
}

// One step of the body; false when more bytes are needed.
bool HttpStream::readBody() {
    switch (stage_) {
    case Stage::Length:
    case Stage::ChunkData:
    case Stage::UntilClose: {
        qint64 n = std::min(socket_->bytesAvailable(), piece_);
        if (stage_ != Stage::UntilClose)
            n = std::min(n, left_);
        if (n <= 0)
            return false;
        const QByteArray bytes = socket_->read(n);
        moved_ += bytes.size();
        left_ -= bytes.size();
        onBody_(bytes);
        if (stage_ == Stage::Length && left_ == 0)
            stage_ = Stage::Done;
        else if (stage_ == Stage::ChunkData && left_ == 0)
            stage_ = Stage::ChunkEnd;
        return true;
    }
    case Stage::ChunkSize: {
        QByteArray line;
        if (!readLine(line))
            return false;
        const qsizetype semicolon = line.indexOf(';');
        bool ok = false;
        left_ = (semicolon < 0 ? line : line.left(semicolon)).trimmed().toLongLong(&ok, 16);
        if (!ok || left_ < 0) {
            fail(TransportError::Kind::Other, QStringLiteral("a malformed chunk size"));
            return false;
        }
        stage_ = left_ == 0 ? Stage::Trailer : Stage::ChunkData;
        return true;
    }
    case Stage::ChunkEnd: {
        QByteArray line;
        if (!readLine(line))
            return false;
        stage_ = Stage::ChunkSize;
        return true;
    }
    case Stage::Trailer: {
        QByteArray line;
        if (!readLine(line))
            return false;
        if (line.isEmpty())
            stage_ = Stage::Done;
        return true;
    }
    case Stage::Head:
    case Stage::Done:
        return false;
    }
    return false;
}
