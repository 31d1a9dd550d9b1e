#pragma once

#include <QCoreApplication>
#include <QPointer>
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
    Work,  // tools and file work of installs and removals
    Scan,  // scans, leftover searches and icons
};

QThreadPool& pool(Pool which);

// Resumes `handle` on the GUI thread.
void resumeOnMainThread(std::coroutine_handle<> handle);

template <typename Fn>
class Awaiter {
public:
    using Result = std::invoke_result_t<Fn>;

    Awaiter(Fn fn, Pool which) : fn_(std::move(fn)), pool_(which) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        auto* job = QRunnable::create([this, handle] {
            try {
                if constexpr (std::is_void_v<Result>) {
                    fn_();
                } else {
                    value_.emplace(fn_());
                }
            } catch (...) {
                error_ = std::current_exception();
            }
            resumeOnMainThread(handle);
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

// co_await Blocking::run([&] { return work(); });
// The callable runs on a pool thread: it must not touch QObjects of the GUI thread.
template <typename Fn>
Awaiter<std::decay_t<Fn>> run(Fn&& fn, Pool which = Pool::Work) {
    return Awaiter<std::decay_t<Fn>>(std::forward<Fn>(fn), which);
}

} // namespace Blocking
