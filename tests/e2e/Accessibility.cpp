#include "Accessibility.h"

#include "Desktop.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Node {
    QString service;
    QString path;
    int depth = 0;
    int window = 0;
};

// The AT-SPI states the walk reads (AtspiStateType): bit n of the state set.
constexpr int checkedState = 4;
constexpr int enabledState = 8;
constexpr int focusableState = 11;
constexpr int showingState = 25;
constexpr int visibleState = 30;

const QString accessible = u"org.a11y.atspi.Accessible"_s;

QDBusPendingCall ask(const QDBusConnection& bus, const Node& node, const QString& interface, const QString& method,
                     const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(node.service, node.path, interface, method);
    call.setArguments(arguments);
    return bus.asyncCall(call, 5000);
}

std::optional<QDBusArgument> firstArgument(QDBusPendingCall& call) {
    call.waitForFinished();
    const QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().first().value<QDBusArgument>();
}

QList<Node> children(QDBusPendingCall& call, int depth) {
    QList<Node> found;
    const std::optional<QDBusArgument> argument = firstArgument(call);
    if (!argument)
        return found;
    argument->beginArray();
    while (!argument->atEnd()) {
        Node node;
        QDBusObjectPath path;
        argument->beginStructure();
        *argument >> node.service >> path;
        argument->endStructure();
        node.path = path.path();
        node.depth = depth;
        found.append(node);
    }
    argument->endArray();
    return found;
}

quint64 states(QDBusPendingCall& call) {
    const std::optional<QDBusArgument> argument = firstArgument(call);
    if (!argument)
        return 0;
    quint64 bits = 0;
    int word = 0;
    argument->beginArray();
    while (!argument->atEnd()) {
        uint value = 0;
        *argument >> value;
        if (word < 2)
            bits |= quint64(value) << (32 * word);
        ++word;
    }
    argument->endArray();
    return bits;
}

QRect extents(QDBusPendingCall& call) {
    const std::optional<QDBusArgument> argument = firstArgument(call);
    if (!argument)
        return {};
    int x = 0, y = 0, width = 0, height = 0;
    argument->beginStructure();
    *argument >> x >> y >> width >> height;
    argument->endStructure();
    return QRect(x, y, width, height);
}

QString text(QDBusPendingCall& call) {
    call.waitForFinished();
    const QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QVariant value = reply.arguments().first();
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant().toString() : value.toString();
}

bool has(quint64 bits, int state) { return bits & (quint64(1) << state); }

} // namespace

std::optional<Accessibility> Accessibility::connect(std::chrono::milliseconds limit) {
    QString address;
    Desktop::waitUntil(
        [&] {
            QDBusMessage call = QDBusMessage::createMethodCall(u"org.a11y.Bus"_s, u"/org/a11y/bus"_s, u"org.a11y.Bus"_s,
                                                               u"GetAddress"_s);
            const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                address = reply.arguments().first().toString();
            return !address.isEmpty();
        },
        limit);
    if (address.isEmpty())
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::connectToBus(address, u"quenlark-accessibility"_s);
    if (!bus.isConnected())
        return std::nullopt;
    return Accessibility(bus);
}

QList<Accessibility::Object> Accessibility::showing(qint64 pid, int limit) const {
    // The applications the registry knows; only the one of `pid` is read.
    const Node registry{u"org.a11y.atspi.Registry"_s, u"/org/a11y/atspi/accessible/root"_s, -1};
    QDBusPendingCall applications = ask(bus_, registry, accessible, u"GetChildren"_s);
    QList<Node> level;
    for (const Node& application : children(applications, -1)) {
        QDBusMessage owner = QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                                            u"org.freedesktop.DBus"_s, u"GetConnectionUnixProcessID"_s);
        owner.setArguments({application.service});
        const QDBusMessage reply = bus_.call(owner, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().value(0).toLongLong() != pid)
            continue;
        QDBusPendingCall windows = ask(bus_, application, accessible, u"GetChildren"_s);
        level += children(windows, 0);
    }
    for (qsizetype i = 0; i < level.size(); ++i)
        level[i].window = int(i);

    // Level by level, every question of a level sent before the first answer is awaited.
    QList<Object> found;
    int read = 0;
    while (!level.isEmpty() && read < limit) {
        struct Questions {
            QDBusPendingCall state, role, name, box, children;
        };
        QList<Questions> questions;
        for (const Node& node : level) {
            questions.append({ask(bus_, node, accessible, u"GetState"_s), ask(bus_, node, accessible, u"GetRoleName"_s),
                              ask(bus_, node, u"org.freedesktop.DBus.Properties"_s, u"Get"_s, {accessible, u"Name"_s}),
                              ask(bus_, node, u"org.a11y.atspi.Component"_s, u"GetExtents"_s, {0u}),
                              ask(bus_, node, accessible, u"GetChildren"_s)});
        }
        QList<Node> next;
        for (qsizetype i = 0; i < level.size(); ++i) {
            Questions& asked = questions[i];
            const quint64 bits = states(asked.state);
            // What is hidden is not descended into: nothing under it shows.
            if (!has(bits, visibleState)) {
                asked.children.waitForFinished();
                continue;
            }
            if (has(bits, showingState) && has(bits, enabledState))
                found.append({text(asked.role), text(asked.name), extents(asked.box), has(bits, focusableState),
                              level[i].depth, has(bits, checkedState), level[i].window});
            else {
                asked.role.waitForFinished();
                asked.name.waitForFinished();
                asked.box.waitForFinished();
            }
            for (Node child : children(asked.children, level[i].depth + 1)) {
                child.window = level[i].window;
                next.append(child);
            }
        }
        read += int(level.size());
        level = next;
    }
    return found;
}
