#pragma once

#include <QDBusConnection>
#include <QList>
#include <QRect>
#include <QString>

#include <chrono>
#include <optional>

// Reads the windows of another process through the desktop's accessibility bus (AT-SPI), as a
// screen reader would: what is on screen, its role, its name and where it lies. The process must
// expose itself there (Qt does with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1).
class Accessibility {
public:
    struct Object {
        QString role; // the bus's role name: "push button", "text", "frame", ...
        QString name;
        QRect box; // in screen coordinates
        bool focusable = false;
        int depth = 0;        // 0 for a top-level window
        bool checked = false; // a ticked box, a pressed toggle
        int window = 0;       // which of the top-level windows it lies in, in the order they come
    };

    // Connects to the accessibility bus of the session bus, starting it when needed.
    static std::optional<Accessibility> connect(std::chrono::milliseconds limit);

    // Everything of process `pid` that is showing and enabled, top-level windows first; at most
    // `limit` objects are read.
    QList<Object> showing(qint64 pid, int limit = 3000) const;

private:
    explicit Accessibility(QDBusConnection bus) : bus_(std::move(bus)) {}
    QDBusConnection bus_;
};
