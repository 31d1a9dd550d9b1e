#pragma once

#include "runtime/MainThread.h"
#include "runtime/Observation.h"

#include <utility>

// How an observed field tells its observers of an assignment.
enum class Notify {
    OnChange, // only when the new value differs (by the type's ==)
    Always,   // on every assignment
};

// An observable field of a GUI-thread object: `get()` registers the read with the current
// tracking, `set()` stores and notifies by the field's rule.
template <typename T, Notify rule = Notify::OnChange>
class Observed {
public:
    Observed() = default;
    explicit Observed(T value) : value_(std::move(value)) {}

    const T& get() const {
        node_.registerRead();
        return value_;
    }

    // Reads without registering (for the owner's own bookkeeping).
    const T& peek() const { return value_; }

    // Returns whether observers were told.
    bool set(T value) {
        QL_ASSERT_MAIN_THREAD();
        if constexpr (rule == Notify::OnChange) {
            if (value_ == value) {
                value_ = std::move(value);
                return false;
            }
        }
        value_ = std::move(value);
        node_.notify();
        return true;
    }

    // Changes the value in place and always tells observers.
    template <typename Fn>
    void mutate(Fn&& fn) {
        QL_ASSERT_MAIN_THREAD();
        fn(value_);
        node_.notify();
    }

private:
    T value_{};
    mutable ObservationNode node_;
};
