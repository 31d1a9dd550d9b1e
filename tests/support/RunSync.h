#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>

// Runs a task to completion on a local event loop and returns its value or rethrows its error.
// (QCoro's waitFor never returns when the task throws.)
namespace testing_detail {

template <typename T>
struct RunState {
    std::conditional_t<std::is_void_v<T>, bool, std::optional<T>> value{};
    std::exception_ptr error;
    bool done = false;
    QEventLoop* loop = nullptr;
};

template <typename T>
QCoro::Task<void> drive(QCoro::Task<T> task, std::shared_ptr<RunState<T>> state) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
        } else {
            state->value.emplace(co_await std::move(task));
        }
    } catch (...) {
        state->error = std::current_exception();
    }
    state->done = true;
    if (state->loop)
        state->loop->quit();
}

} // namespace testing_detail

template <typename T>
T runSync(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    auto state = std::make_shared<testing_detail::RunState<T>>();
    testing_detail::drive(std::move(task), state);
    if (!state->done) {
        QEventLoop loop;
        state->loop = &loop;
        QTimer::singleShot(timeout, &loop, [&loop] { loop.exit(1); });
        const int rc = loop.exec();
        state->loop = nullptr;
        if (rc != 0 && !state->done)
            throw std::runtime_error("runSync: the task did not finish in time");
    }
    if (state->error)
        std::rethrow_exception(state->error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*state->value);
}

// Processes events until `done()` holds or the time runs out; returns done().
template <typename Pred>
bool waitUntil(Pred done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}
