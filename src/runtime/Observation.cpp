#include "runtime/Observation.h"

#include "runtime/MainThread.h"
#include "runtime/Spawn.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace {
// Trackings run on the GUI thread only. The stack is the thread's own, so a read on a pool thread
// finds it empty without asking which thread it is on (every observed read passes here).
thread_local std::vector<Observation::Handle> stack;

// A tracking that can never fire again; nodes drop it when they next look at their list.
bool spent(const Observation::Handle& tracking) {
    return tracking->fired || tracking->cancelled || (tracking->hasContext && !tracking->context);
}

void run(std::function<void()> onChange) {
    try {
        onChange();
    } catch (...) {
        reportUnhandled(std::current_exception(), "observation change");
    }
}

void deliver(const Observation::Handle& tracking) {
    if (spent(tracking))
        return;
    tracking->fired = true;
    if (tracking->immediate) {
        run(std::exchange(tracking->onChange, nullptr));
        return;
    }
    QObject* target = tracking->hasContext ? tracking->context.data() : QCoreApplication::instance();
    if (!target)
        return;
    // Queued on the context when there is one, so a destroyed view never hears of it.
    QMetaObject::invokeMethod(
        target,
        [tracking] {
            if (tracking->cancelled || !tracking->onChange)
                return;
            run(std::exchange(tracking->onChange, nullptr));
        },
        Qt::QueuedConnection);
}
} // namespace

Observation::Tracking* Observation::current() {
    if (stack.empty())
        return nullptr;
    return stack.back().get();
}

namespace {
Observation::Handle start(const std::function<void()>& read, Observation::Handle handle) {
    handle->reading = true;
    stack.push_back(handle);
    try {
        read();
    } catch (...) {
        stack.pop_back();
        handle->reading = false;
        Observation::cancel(handle);
        throw;
    }
    stack.pop_back();
    handle->reading = false;
    return handle;
}
} // namespace

Observation::Handle Observation::track(const std::function<void()>& read, std::function<void()> onChange,
                                       QObject* context) {
    QL_ASSERT_MAIN_THREAD();
    auto handle = std::make_shared<Tracking>();
    handle->onChange = std::move(onChange);
    handle->context = context;
    handle->hasContext = context != nullptr;
    return start(read, std::move(handle));
}

Observation::Handle Observation::trackCache(const std::function<void()>& read, std::function<void()> invalidate) {
    QL_ASSERT_MAIN_THREAD();
    auto handle = std::make_shared<Tracking>();
    handle->onChange = std::move(invalidate);
    handle->isolated = true;
    handle->immediate = true;
    return start(read, std::move(handle));
}

void Observation::cancel(const Handle& handle) {
    if (handle) {
        handle->cancelled = true;
        handle->onChange = nullptr;
    }
}

void ObservationNode::registerRead() {
    if (stack.empty())
        return;
    // Innermost first, up to the first isolated tracking. Spent trackings are swept out only when
    // one joins, so a field read again and again costs a look-up.
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (std::find(watchers_.begin(), watchers_.end(), *it) == watchers_.end()) {
            std::erase_if(watchers_, spent);
            watchers_.push_back(*it);
        }
        if ((*it)->isolated)
            break;
    }
}

void ObservationNode::notify() {
    if (watchers_.empty())
        return;
    QL_ASSERT_MAIN_THREAD();
    auto watchers = std::move(watchers_);
    watchers_.clear();
    for (auto& tracking : watchers) {
        if (tracking->reading && !spent(tracking))
            watchers_.push_back(tracking); // changed by its own read: stays registered
        else
            deliver(tracking);
    }
}

Observer::Observer(QObject* parent, std::function<void()> read, std::function<void()> refresh)
    : QObject(parent), read_(std::move(read)), refresh_(std::move(refresh)) {
    arm();
}

Observer::~Observer() { Observation::cancel(handle_); }

void Observer::update() {
    Observation::cancel(handle_);
    QPointer<Observer> alive(this);
    if (refresh_)
        refresh_();
    if (alive)
        arm();
}

void Observer::arm() {
    // Several changes in one turn fire one queued call, since a tracking fires once.
    handle_ = Observation::track(
        read_, [this] { changed(); }, this);
}
