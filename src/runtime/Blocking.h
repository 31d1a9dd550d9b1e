#pragma once

#include "runtime/AwaitSafe.h"

#include <QCoreApplication>
#include <QRunnable>
#include <QThreadPool>

#include <coroutine>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// Runs slow work (file walks, hashing, tools, parsing large bodies) off the GUI thread and
// resumes the awaiting coroutine on the GUI thread with the value or the original exception.
namespace Blocking {

enum class Pool {
    Work,     // tools and file work of installs and removals (at least 4 threads)
    Scan,     // scans, leftover searches and icons
    Admin,    // the administrator step: one thread of its own, so a prompt never holds up the others
    Keychain, // stored secrets: one thread, so reads and writes happen in the order they were asked
};

QThreadPool& pool(Pool which);

// Lets the pools' work end before the application object goes (run as its post routine).
void settle();

// Resumes `handle` on the GUI thread, counted in flight until it has run. Once the application
// object is gone nothing is resumed.
void resumeOnMainThread(std::coroutine_handle<> handle);

// Asserts that a coroutine awaits from the GUI thread (it is resumed there).
void assertAwaitedOnMainThread();

// How many awaits of handed-over work have not resumed yet. The fake clock lets them settle
// before it moves virtual time on.
int inFlight();

namespace detail {
void beginFlight();                                // the awaiter's flight starts as it hands work over
void finishFlight(std::coroutine_handle<> handle); // resumes and ends a flight already begun
} // namespace detail

template <typename Fn>
class Awaiter {
public:
    using Result = std::remove_cvref_t<std::invoke_result_t<Fn&>>;

    Awaiter(Fn fn, Pool which) : fn_(std::move(fn)), pool_(which) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        assertAwaitedOnMainThread();
        detail::beginFlight();
        // The awaiter lives in the suspended frame, which QCoro never destroys before it resumes.
        auto* job = QRunnable::create([this, handle] {
            try {
                if constexpr (std::is_void_v<Result>)
                    fn_();
                else
                    value_.emplace(fn_());
            } catch (...) {
                error_ = std::current_exception();
            }
            detail::finishFlight(handle);
        });
        pool(pool_).start(job);
    }

    Result await_resume() {
        if (error_)
            std::rethrow_exception(error_);
        if constexpr (!std::is_void_v<Result>)
            return std::move(*value_);
    }

private:
    Fn fn_;
    Pool pool_;
    std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> value_{};
    std::exception_ptr error_;
};

// auto work = [path] { return read(path); };
// auto bytes = co_await Blocking::run(work);
// The callable runs on a pool thread: it takes and returns plain values and touches no QObject
// of the GUI thread. Whatever it throws is rethrown, with its own type, to the awaiting coroutine.
// A lambda capturing only pointers, references or numbers may be written in place; one that
// captures values (QString, QByteArray, ...) is named first (see AwaitSafe.h).
template <typename Fn>
Awaiter<std::decay_t<Fn>> run(Fn&& fn, Pool which = Pool::Work) {
    static_assert(isAwaitSafeArgument<Fn> || std::is_nothrow_invocable_v<std::decay_t<Fn>&>,
                  "name this callable before the co_await (auto work = [...]{...}; then pass "
                  "work): a temporary lambda capturing values that need destruction is destroyed "
                  "twice by g++ 12 when the awaited call throws");
    return Awaiter<std::decay_t<Fn>>(std::forward<Fn>(fn), which);
}

} // namespace Blocking
