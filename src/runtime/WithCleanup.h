#pragma once

#include <QCoro/QCoroTask>

#include <exception>
#include <type_traits>
#include <utility>

// Awaits `body`, then awaits `cleanup` on every way out, then returns the body's value or
// rethrows its error. A failing clean-up never replaces the body's error.
// `body` and `cleanup` are callables returning QCoro::Task (cleanup: Task<void>).
template <typename Body, typename Cleanup>
auto withCleanup(Body body, Cleanup cleanup) -> decltype(body()) {
    using Result = typename decltype(body())::value_type;
    std::exception_ptr error;
    if constexpr (std::is_void_v<Result>) {
        try {
            co_await body();
        } catch (...) {
            error = std::current_exception();
        }
        try {
            co_await cleanup();
        } catch (...) {
        }
        if (error)
            std::rethrow_exception(error);
    } else {
        std::optional<Result> value;
        try {
            value.emplace(co_await body());
        } catch (...) {
            error = std::current_exception();
        }
        try {
            co_await cleanup();
        } catch (...) {
        }
        if (error)
            std::rethrow_exception(error);
        co_return std::move(*value);
    }
}
