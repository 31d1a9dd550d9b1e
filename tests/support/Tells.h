#pragma once

#include "runtime/Observation.h"

#include <QCoreApplication>

#include <functional>

// Whether an observer of what `read` reads is told after `write`.
inline bool tells(const std::function<void()>& read, const std::function<void()>& write) {
    bool told = false;
    const auto handle = track(read, [&] { told = true; });
    write();
    QCoreApplication::processEvents();
    return told;
}
