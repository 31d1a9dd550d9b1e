#pragma once

#include "runtime/Error.h"

// The one error of installing and removing. `needsPermission`: App Management is missing.
// `final`: trying another candidate release would not help.
class UpdateError : public Error {
public:
    explicit UpdateError(QString sentence, bool needsPermission = false, bool final = false)
        : Error(std::move(sentence)), needsPermission(needsPermission), final(final) {}

    bool needsPermission = false;
    bool final = false;
};
