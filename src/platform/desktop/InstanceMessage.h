#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The lines the single-instance socket carries, one compact JSON object each. The owner greets
// every caller with who it is; a caller sends requests and reads one acknowledgement for each.
// Everything read here comes from another process and is checked field by field.
namespace InstanceMessage {

// The longest line either side reads; anything longer is not ours.
constexpr qint64 maxLine = 256 * 1024;

// What the owning copy says about itself.
struct Greeting {
    QString bundle;
    QString version;
    qint64 pid = 0;

    friend bool operator==(const Greeting&, const Greeting&) = default;
};

struct Request {
    enum class Kind { Open, Quit, Activate };
    Kind kind = Kind::Activate;
    QStringList args; // of Open: a later launch's arguments

    friend bool operator==(const Request&, const Request&) = default;
};

QByteArray greeting(const Greeting& greeting);
QByteArray request(const Request& request);
QByteArray acknowledgement(bool ok);

// Nothing unless the line is the message in full: an unknown request, a field of the wrong type
// or an argument that is not text refuses the whole line.
std::optional<Greeting> readGreeting(const QByteArray& line);
std::optional<Request> readRequest(const QByteArray& line);
bool readAcknowledgement(const QByteArray& line);

} // namespace InstanceMessage
