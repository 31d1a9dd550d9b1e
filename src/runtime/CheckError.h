#pragma once

#include "runtime/Error.h"

// The failure of one update source or library request. Source sentences carry no closing full
// stop; the status rules show them after the source's name.
class CheckError : public Error {
public:
    using Error::Error;
};
