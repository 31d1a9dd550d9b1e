#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

// An HTTP server on the calling thread that answers every request on every connection with
// `body`, `delayMs` after it arrived: a feed server of known latency.
class DelayedServer : public QObject {
public:
    DelayedServer(const QHostAddress& address, int delayMs, QByteArray body)
        : delayMs_(delayMs), body_(std::move(body)) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                serve(socket);
        });
        if (!server_.listen(address, 0))
            qFatal("cannot listen on %s", qPrintable(address.toString()));
    }
    quint16 port() const { return server_.serverPort(); }
    int answered = 0;

private:
    void serve(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            qsizetype end;
            while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                buffer->remove(0, end + 4);
                QPointer<QTcpSocket> alive(socket);
                QTimer::singleShot(delayMs_, this, [this, alive] {
                    if (!alive)
                        return;
                    alive->write("HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nContent-Length: " +
                                 QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
                    ++answered;
                });
            }
        });
    }

    int delayMs_;
    QByteArray body_;
    QTcpServer server_;
};
