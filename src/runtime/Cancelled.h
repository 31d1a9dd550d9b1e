#pragma once

#include "runtime/Error.h"

// Thrown by work that stopped because its CancelToken was cancelled.
class Cancelled : public Error {
public:
    Cancelled();
};
