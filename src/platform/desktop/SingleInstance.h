#pragma once

#include "platform/desktop/InstanceMessage.h"

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QLocalSocket;

// One running copy per user (and per sandbox folder): the copy that listens on the local socket
// is the one a later launch of the same bundle hands its arguments to; a copy from another
// bundle runs beside it until it has taken over. The socket lives in a folder only this user
// can reach, and each side talks only to a peer of the same user.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Owner,      // listening: this copy is the one
        HandedOver, // a copy of the same bundle took the arguments; this process should end
        Beside,     // another copy owns the socket (another bundle, or one that did not answer)
    };

    using Peer = InstanceMessage::Greeting;

    // The socket of this user, one per sandbox folder, in the first folder that is private to
    // the user: the runtime folder, else a folder of the user's own in the temporary folder,
    // else one in the user's cache folder. Empty when none is.
    static QString socketPath(const std::optional<QString>& sandbox);

    SingleInstance(QString socketPath, QString bundle, QString version, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Listens, or hands `args` to a running copy of the same bundle. A socket left behind by a
    // copy that is gone, or one that is not this user's, is replaced. Blocks for at most a few
    // seconds, before the event loop runs.
    Outcome claim(const QStringList& args);

    bool owns() const { return server_.isListening(); }
    // The owning copy, after a claim that ended Beside with an answer.
    const std::optional<Peer>& peer() const { return peer_; }

    enum class Request { Quit, Activate };
    // Asks the owning copy to quit or to come forward; true when it acknowledged.
    bool ask(Request request);

    // Listens once the owner has gone; true when this copy owns the socket now.
    bool takeOver();

    const QString& path() const { return path_; }

Q_SIGNALS:
    // Arguments another launch of this bundle handed over (a reopen, a redirect address).
    void argumentsReceived(const QStringList& args);
    void activateRequested();
    void quitRequested();

private:
    bool listen();
    // Removes what sits at the path and listens there, when no copy of this user answers on it.
    bool replace();
    void accept();
    void serve(QLocalSocket* socket);
    // One exchange as a client: reads the owner's greeting and, when `message` is given, sends
    // it and waits for the acknowledgement. Not connected when the socket is not this user's.
    struct Exchange {
        bool connected = false;
        std::optional<Peer> peer;
        bool acknowledged = false;
    };
    Exchange exchange(const std::optional<QByteArray>& message) const;

    QString path_;
    QString bundle_;
    QString version_;
    QLocalServer server_;
    std::optional<Peer> peer_;
};
