#pragma once

#include "runtime/TransportError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QAbstractSocket;

// One HTTP/1.1 GET on a socket of its own, without keep-alive or redirects, whose read buffer is
// bounded before it connects. Qt's access manager passes a reply's read bound to its network
// thread only after the request has started there, and never to the request behind a redirect,
// so a large download through it can read without bound; this stream can not.
class HttpStream : public QObject {
    Q_OBJECT
public:
    struct Head {
        int status = 0;
        QList<QPair<QByteArray, QByteArray>> headers;
        // The first header of that name (without regard to case), or empty.
        QByteArray header(QByteArrayView name) const;
    };

    // What the reader says after the head: read the body or end here.
    enum class Next { Body, Stop };

    // `bound`: the most bytes the socket buffers; `idle`: how long it may move nothing.
    HttpStream(QUrl url, QByteArray userAgent, qint64 bound, std::chrono::milliseconds idle);
    ~HttpStream() override;

    // Runs the request to its end. `onHead` sees the final head (informational ones are
    // skipped); `onBody` gets the body in pieces of at most `piece` bytes and throws to stop.
    // Transport failures, a malformed answer and the idle limit throw TransportError; what the
    // callbacks throw is passed on. After `abort` it returns quietly.
    QCoro::Task<void> run(std::function<Next(const Head&)> onHead, std::function<void(const QByteArray&)> onBody,
                          qint64 piece);

    // Ends the transfer now; `run` then returns.
    void abort();

    // Bytes taken from the socket so far, head included.
    qint64 moved() const { return moved_; }

Q_SIGNALS:
    void ended();

private:
    enum class Stage { Head, Length, ChunkSize, ChunkData, ChunkEnd, Trailer, UntilClose, Done };

    void connected();
    void readable();
    void closed();
    void fail(TransportError::Kind kind, QString detail);
    void finish();
    bool readHead();
    bool readBody();
    bool readLine(QByteArray& line);

    QUrl url_;
    QByteArray userAgent_;
    std::optional<QNetworkProxy> proxy_; // the http proxy a plain address is asked through
    std::unique_ptr<QAbstractSocket> socket_;
    QTimer idle_;
    Stage stage_ = Stage::Head;
    Head head_;
    qint64 headBytes_ = 0;
    qint64 left_ = 0; // of the body or the chunk
    qint64 piece_ = 0;
    qint64 moved_ = 0;
    std::function<Next(const Head&)> onHead_;
    std::function<void(const QByteArray&)> onBody_;
    std::optional<TransportError> failure_;
    std::exception_ptr thrown_;
    bool over_ = false;
};
