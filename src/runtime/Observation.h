#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

// Observation tracking: `track(read, onChange)` runs `read`; every observed field read meanwhile
// registers, and the first later change of any of them calls `onChange` once, queued on the GUI
// thread. To keep observing, `onChange` tracks again. Reads inside a nested `track` count for the
// enclosing trackings too; a change made by `read` itself, while it runs, does not fire.
class ObservationNode;

class Observation {
public:
    struct Tracking {
        std::function<void()> onChange;
        QPointer<QObject> context; // onChange is dropped once this is gone (when one was given)
        bool hasContext = false;
        bool fired = false;
        bool cancelled = false;
        bool reading = false;   // its `read` is running
        bool isolated = false;  // reads register with it alone, not with the enclosing trackings
        bool immediate = false; // onChange runs inside the change, not queued
    };
    using Handle = std::shared_ptr<Tracking>;

    // The tracking that reads register with right now, if any.
    static Tracking* current();

    // What `read` throws propagates, and the tracking is then cancelled. What `onChange` throws
    // is reported, never passed to the event loop.
    static Handle track(const std::function<void()>& read, std::function<void()> onChange, QObject* context = nullptr);
    // For a cache of what `read` derives: its reads register with this tracking alone, and the
    // first later change calls `invalidate` at once, inside the change, so the cache is never
    // read stale. `invalidate` may notify a node of its own but must change no observed field.
    static Handle trackCache(const std::function<void()>& read, std::function<void()> invalidate);
    // Stops a tracking before it fires and releases its onChange.
    static void cancel(const Handle& handle);
};

// One observable field's list of trackings that read it. It holds them strongly, so a tracking
// lives as long as something it read can still change.
class ObservationNode {
public:
    ObservationNode() = default;
    // A copied field starts with no observers of its own.
    ObservationNode(const ObservationNode&) {}
    ObservationNode& operator=(const ObservationNode&) { return *this; }

    void registerRead();
    void notify();

private:
    std::vector<Observation::Handle> watchers_;
};

inline Observation::Handle track(const std::function<void()>& read, std::function<void()> onChange,
                                 QObject* context = nullptr) {
    return Observation::track(read, std::move(onChange), context);
}

// Keeps a view (or any QObject) in step with what `read` reads: calls `refresh` at most once per
// event-loop turn after any change, re-tracking each time. Stops with its parent.
class Observer : public QObject {
    Q_OBJECT
public:
    Observer(QObject* parent, std::function<void()> read, std::function<void()> refresh);
    ~Observer() override;

    // Runs refresh now, then read, and tracks again. Safe when refresh destroys the observer.
    void update();

protected:
    // Heard a turn after the first change: refreshes now, unless a subclass paces it.
    virtual void changed() { update(); }

private:
    void arm();

    std::function<void()> read_;
    std::function<void()> refresh_;
    Observation::Handle handle_;
};
