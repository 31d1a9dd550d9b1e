#pragma once

#include "model/SettingValues.h"
#include "platform/system/Defaults.h"
#include "runtime/Observed.h"

#include <optional>
#include <utility>

// One setting, declared once: the key it is kept under in the defaults, its type, and its value
// while the key is absent. It reads the stored value when made and stores every assignment;
// observers are told only when the value changes. GUI thread only.
template <typename T>
class Setting {
public:
    Setting(Defaults& d, const char* key, T fallback) : d_(d), key_(QString::fromLatin1(key)) {
        value_.set(SettingValues::read(d_, key_, std::move(fallback)));
    }
    Setting(const Setting&) = delete;
    Setting& operator=(const Setting&) = delete;

    const T& get() const { return value_.get(); }

    // Stores `value`, then tells the observers. A value the defaults can not hold is refused:
    // the old value stays and nobody is told.
    bool set(T value) {
        if (const std::optional<QVariant> raw = SettingValues::raw(value)) {
            if (!d_.set(key_, *raw))
                return false;
        } else {
            d_.remove(key_);
        }
        value_.set(std::move(value));
        return true;
    }

    // Takes `value` for this run only, leaving the stored one as it is.
    void assume(T value) { value_.set(std::move(value)); }

private:
    Defaults& d_;
    const QString key_;
    Observed<T> value_;
};
