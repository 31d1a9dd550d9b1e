#include "runtime/Observation.h"

#include "runtime/MainThread.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
// Trackings live on the GUI thread only, so the current one is a plain global there.
std::vector<Observation::Handle> stack;

bool spent(const Observation::Handle& tracking) { return tracking->fired || tracking->cancelled; }
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
    stack.push_back(handle);
    try {
        read();
    } catch (...) {
        stack.pop_back();
        throw;
    }
    stack.pop_back();
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
    const auto& tracking = stack.back();
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
        if (spent(tracking))
            continue;
        tracking->fired = true;
        auto* app = QCoreApplication::instance();
        if (!app)
            continue;
        QMetaObject::invokeMethod(app, [tracking] {
            if (tracking->cancelled || !tracking->onChange)
                return;
            if (tracking->hasContext && !tracking->context)
                return;
            auto onChange = std::move(tracking->onChange);
            onChange();
        }, Qt::QueuedConnection);
    }
}

Observer::Observer(QObject* parent, std::function<void()> read, std::function<void()> refresh)
    : QObject(parent), read_(std::move(read)), refresh_(std::move(refresh)) {
    arm();
}

Observer::~Observer() { Observation::cancel(handle_); }

void Observer::update() {
    Observation::cancel(handle_);
    if (refresh_)
        refresh_();
    arm();
}

void Observer::arm() {
    // Several changes in one turn fire one queued call, since a tracking fires once.
    handle_ = Observation::track(read_, [this] { update(); }, this);
}
