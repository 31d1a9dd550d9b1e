#pragma once

#include "runtime/Error.h"

#include <exception>

// The one error of installing and removing. `needsPermission`: App Management is missing.
// `final`: trying another candidate release would not help.
class UpdateError : public Error {
public:
    // Named at the throw, as in UpdateError(sentence, {.final = true}).
    struct Options {
        bool needsPermission = false;
        bool final = false;
    };

    UpdateError(QString sentence, Options options)
        : Error(std::move(sentence)), needsPermission(options.needsPermission), final(options.final) {}
    explicit UpdateError(QString sentence) : UpdateError(std::move(sentence), Options{}) {}

    // Translates a refused file change on the application called `name`: EPERM becomes the App
    // Management sentence with needsPermission, EACCES the sentence about another owner. Any
    // other error comes back as the very error it was given.
    static std::exception_ptr from(std::exception_ptr error, const QString& name);
    // Whether `error` is an UpdateError that asks for the App Management permission.
    static bool needsPermissionIn(const std::exception_ptr& error);

    bool needsPermission = false;
    bool final = false;
};
