#pragma once

#include "runtime/Error.h"

// A sign-in failure: the sentence the user reads and the server's code ("" when none).
class AuthError : public Error {
public:
    explicit AuthError(QString sentence, QString code = {}) : Error(std::move(sentence)), code(std::move(code)) {}

    QString code;
};
