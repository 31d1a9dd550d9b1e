#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <concepts>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

// Starts a fire-and-forget task from a view or a slot: keeps it alive until it ends and reports
// what it throws instead of letting it vanish. Test builds abort on such a failure.
void reportUnhandled(std::exception_ptr error, const char* where);

// Whether an escaped error aborts (tests) or is only logged (the application).
void setAbortOnUnhandled(bool abort);

// Replaces what reportUnhandled does with an error that is not a cancellation (nullptr: log, and
// abort when asked to). Returns the previous reporter. For tests that check what gets reported.
using UnhandledReporter = std::function<void(std::exception_ptr error, const char* where)>;
UnhandledReporter setUnhandledReporter(UnhandledReporter reporter);

namespace detail {
template <typename T>
QCoro::Task<void> spawnBody(QCoro::Task<T> task, const char* where) {
    std::exception_ptr error;
    try {
        co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
    }
    if (error)
        reportUnhandled(error, where);
}
} // namespace detail

template <typename T>
void spawn(QCoro::Task<T>&& task, const char* where = "spawned task") {
    // A QCoro task starts eagerly; dropping its handle detaches the frame, which frees itself
    // when it ends.
    detail::spawnBody(std::move(task), where);
}

// A callback handed to Qt (slot, timer, progress) that lets nothing it throws cross the event
// loop. Its call operator only accepts arguments the wrapped callable takes, so Qt's connect can
// drop trailing signal arguments (and QPrivateSignal) as it does for plain lambdas.
template <typename Fn>
class Guarded {
public:
    Guarded(Fn fn, const char* where) : fn_(std::move(fn)), where_(where) {}

    // A failure gives a default value where the callable returns one.
    template <typename... Args>
    requires std::invocable<const Fn&, Args...>
    auto operator()(Args&&... args) const noexcept -> std::invoke_result_t<const Fn&, Args...> {
        using Result = std::invoke_result_t<const Fn&, Args...>;
        try {
            return std::invoke(fn_, std::forward<Args>(args)...);
        } catch (...) {
            reportUnhandled(std::current_exception(), where_);
        }
        if constexpr (!std::is_void_v<Result>)
            return Result{};
    }

private:
    Fn fn_;
    const char* where_;
};

template <typename Fn>
Guarded<std::decay_t<Fn>> guarded(Fn&& fn, const char* where = "callback") {
    return Guarded<std::decay_t<Fn>>(std::forward<Fn>(fn), where);
}
