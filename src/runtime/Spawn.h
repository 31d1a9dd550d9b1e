#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

// Starts a fire-and-forget task from a view or a slot: keeps it alive until it ends and reports
// what it throws instead of letting it vanish. Test builds abort on such a failure.
void reportUnhandled(std::exception_ptr error, const char* where);

// Whether an escaped error aborts (tests) or is only logged (the application).
void setAbortOnUnhandled(bool abort);

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
    // A QCoro task starts eagerly and keeps its own frame alive once its handle is dropped.
    detail::spawnBody(std::move(task), where);
}

// Wraps a callback handed to Qt (slot, timer, progress) so that nothing it throws crosses the
// event loop.
template <typename Fn>
auto guarded(Fn fn, const char* where = "callback") {
    return [fn = std::move(fn), where](auto&&... args) noexcept {
        try {
            fn(std::forward<decltype(args)>(args)...);
        } catch (...) {
            reportUnhandled(std::current_exception(), where);
        }
    };
}
