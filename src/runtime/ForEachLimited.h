#pragma once

#include "runtime/AwaitSafe.h"
#include "runtime/CancelToken.h"

#include <QCoro/QCoroTask>
#include <QList>

#include <exception>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// A task group with a limit: runs `makeTask(item)` for every item with at most `limit` running
// at once, and hands each result to `onResult` in the order the tasks finish. A task starts only
// once the result that freed its place has been handled (so `onResult` can still decide what the
// next one sees). A limit of 0 or below starts nothing. After a task or `onResult` throws, or the
// token is cancelled, no further task starts; those running are awaited, then the first error
// is rethrown. Resolves when every started task has ended.
namespace detail {

template <typename Item, typename MakeTask, typename OnResult>
struct LimitedRun {
    LimitedRun(QList<Item> items, MakeTask makeTask, OnResult onResult, CancelToken token)
        : items(std::move(items)), makeTask(std::move(makeTask)), onResult(std::move(onResult)),
          token(std::move(token)) {}

    QList<Item> items;
    MakeTask makeTask;
    OnResult onResult;
    CancelToken token;
    qsizetype next = 0;
    std::exception_ptr error;

    bool takeNext(qsizetype& index) {
        if (error || token.isCancelled() || next >= items.size())
            return false;
        index = next++;
        return true;
    }
};

// One place in the group: takes the next item as soon as its previous result has been handled.
template <typename Run>
QCoro::Task<void> limitedLane(std::shared_ptr<Run> run) {
    qsizetype index = 0;
    while (run->takeNext(index)) {
        const auto& item = run->items.at(index);
        using Result = typename decltype(run->makeTask(item))::value_type;
        std::exception_ptr failure;
        try {
            if constexpr (std::is_void_v<Result>) {
                co_await run->makeTask(item);
                run->onResult();
            } else {
                run->onResult(co_await run->makeTask(item));
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (failure && !run->error)
            run->error = failure;
    }
}

template <typename Item, typename MakeTask, typename OnResult>
QCoro::Task<void> forEachLimitedBody(QList<Item> items, int limit, MakeTask makeTask, OnResult onResult,
                                     CancelToken token) {
    using Run = LimitedRun<Item, MakeTask, OnResult>;
    auto run = std::make_shared<Run>(std::move(items), std::move(makeTask), std::move(onResult), std::move(token));
    std::vector<QCoro::Task<void>> lanes;
    const qsizetype count = std::min<qsizetype>(std::max(limit, 0), run->items.size());
    lanes.reserve(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i)
        lanes.push_back(limitedLane(run));
    for (auto& lane : lanes)
        co_await lane;
    if (run->error)
        std::rethrow_exception(run->error);
}

} // namespace detail

// Lambdas capturing values are named first (AwaitSafe.h).
template <typename Item, typename MakeTask, typename OnResult>
QCoro::Task<void> forEachLimited(QList<Item> items, int limit, MakeTask&& makeTask, OnResult&& onResult,
                                 CancelToken token = {}) {
    QL_ASSERT_AWAIT_SAFE(MakeTask);
    QL_ASSERT_AWAIT_SAFE(OnResult);
    return detail::forEachLimitedBody(std::move(items), limit, std::decay_t<MakeTask>(std::forward<MakeTask>(makeTask)),
                                      std::decay_t<OnResult>(std::forward<OnResult>(onResult)), std::move(token));
}
