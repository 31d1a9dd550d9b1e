#include "runtime/Observation.h"

#include "runtime/MainThread.h"
#include "runtime/Spawn.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
// Trackings live on the GUI thread only, so the running ones are a plain global there.
std::vector<Observation::Handle> stack;

// A tracking that can never fire again; nodes drop it when they next look at their list.
bool spent(const Observation::Handle& tracking) {
    return tracking->fired || tracking->cancelled || (tracking->hasContext && !tracking->context);
}

void deliver(const Observation::Handle& tracking) {
    if (spent(tracking))
        return;
    tracking->fired = true;
    QObject* target = tracking->hasContext ? tracking->context.data() : QCoreApplication::instance();
    if (!target)
        return;
    // Queued on the context when there is one, so a destroyed view never hears of it.
    QMetaObject::invokeMethod(target, [tracking] {
        if (tracking->cancelled || !tracking->onChange)
            return;
        auto onChange = std::move(tracking->onChange);
        tracking->onChange = nullptr;
        try {
            onChange();
        } catch (...) {
            reportUnhandled(std::current_exception(), "observation change");
        }
    }, Qt::QueuedConnection);
}
} // namespace

Observation::Tracking* Observation::current() {
    if (stack.empty() || !isMainThread())
        return nullptr;
    return stack.back().get();
}

Observation::Handle Observation::track(const std::function<void()>& read,
                                       std::function<void()> onChange, QObject* context) {
    QL_ASSERT_MAIN_THREAD();
    auto handle = std::make_shared<Tracking>();
    handle->onChange = std::move(onChange);
    handle->context = context;
    handle->hasContext = context != nullptr;
    handle->reading = true;
    stack.push_back(handle);
    try {
        read();
    } catch (...) {
        stack.pop_back();
        handle->reading = false;
        cancel(handle);
        throw;
    }
    stack.pop_back();
    handle->reading = false;
    return handle;
}

void Observation::cancel(const Handle& handle) {
    if (handle) {
        handle->cancelled = true;
        handle->onChange = nullptr;
    }
}

void ObservationNode::registerRead() {
    if (stack.empty() || !isMainThread())
        return;
    std::erase_if(watchers_, spent);
    for (const auto& tracking : stack)
        if (std::find(watchers_.begin(), watchers_.end(), tracking) == watchers_.end())
            watchers_.push_back(tracking);
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
    handle_ = Observation::track(read_, [this] { update(); }, this);
}
