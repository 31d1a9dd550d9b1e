#pragma once

#include <type_traits>

// g++ 12 destroys the captures of a lambda (and the members of any aggregate) built as a
// temporary inside a co_await expression a second time when that expression throws after
// suspending: a double free. So the awaited helpers of the runtime take a callable either by
// name (an lvalue, which they copy) or as a temporary whose captures need no destruction
// (pointers, references, numbers). Anything else fails to compile with the message below.
//
// The same holds for every co_await that can throw: name such an argument first.
//     auto work = [path] { return read(path); };
//     co_await Blocking::run(work);
template <typename F>
inline constexpr bool isAwaitSafeArgument =
    std::is_lvalue_reference_v<F> || std::is_trivially_destructible_v<std::remove_cvref_t<F>>;

#define QL_ASSERT_AWAIT_SAFE(F)                                                                                        \
    static_assert(isAwaitSafeArgument<F>,                                                                              \
                  "name this callable before the co_await (auto work = [...]{...}; then pass "                         \
                  "work): a temporary lambda capturing values that need destruction is destroyed "                     \
                  "twice by g++ 12 when the awaited call throws")
