#pragma once

#include "runtime/Error.h"

// Data that is not in the form it should be.
class ParseError : public Error {
public:
    ParseError();
    explicit ParseError(QString sentence);
};
