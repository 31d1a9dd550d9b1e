#pragma once

#include "runtime/AwaitSafe.h"

#include <QCoro/QCoroTask>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace detail {
void reportCleanupFailure(std::exception_ptr error);

template <typename Body, typename Cleanup>
auto withCleanupBody(Body body, Cleanup cleanup) -> decltype(body());
} // namespace detail

// Awaits `body`, then awaits `cleanup` on every way out (value, error, cancellation), then
// returns the body's value or rethrows its error. The body's error always wins: a clean-up that
// fails after a failed body is only logged. After a body that succeeded, a failing clean-up's
// error is thrown, so a clean-up that must not fail the operation should not throw.
// `body` and `cleanup` are callables returning QCoro::Task (cleanup: Task<void>); they are kept
// in this coroutine's frame until it ends. Lambdas capturing values are named first (AwaitSafe.h).
template <typename Body, typename Cleanup>
auto withCleanup(Body&& body, Cleanup&& cleanup) {
    QL_ASSERT_AWAIT_SAFE(Body);
    QL_ASSERT_AWAIT_SAFE(Cleanup);
    return detail::withCleanupBody(std::decay_t<Body>(std::forward<Body>(body)),
                                   std::decay_t<Cleanup>(std::forward<Cleanup>(cleanup)));
}

template <typename Body, typename Cleanup>
auto detail::withCleanupBody(Body body, Cleanup cleanup) -> decltype(body()) {
    using Result = typename decltype(body())::value_type;
    std::exception_ptr error;
    std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> value{};
    try {
        if constexpr (std::is_void_v<Result>)
            co_await body();
        else
            value.emplace(co_await body());
    } catch (...) {
        error = std::current_exception();
    }
    // No co_await inside a handler: the clean-up is awaited here, after leaving it.
    std::exception_ptr cleanupError;
    try {
        co_await cleanup();
    } catch (...) {
        cleanupError = std::current_exception();
    }
    if (error) {
        if (cleanupError)
            detail::reportCleanupFailure(cleanupError);
        std::rethrow_exception(error);
    }
    if (cleanupError)
        std::rethrow_exception(cleanupError);
    if constexpr (!std::is_void_v<Result>)
        co_return std::move(*value);
}
