#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>

#include <optional>
#include <type_traits>

// Runs a task to its end on a local event loop and gives its value.
template <typename T>
T awaitTask(QCoro::Task<T> task) {
    using Value = std::conditional_t<std::is_void_v<T>, bool, T>;
    std::optional<Value> value;
    QEventLoop loop;
    auto drive = [](QCoro::Task<T> inner, std::optional<Value>* out, QEventLoop* quit) -> QCoro::Task<void> {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(inner);
            out->emplace(true);
        } else {
            out->emplace(co_await std::move(inner));
        }
        quit->quit();
    };
    auto driver = drive(std::move(task), &value, &loop);
    if (!value)
        loop.exec();
    if constexpr (!std::is_void_v<T>)
        return std::move(*value);
}
