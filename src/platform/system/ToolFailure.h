#pragma once

#include "runtime/Error.h"

// A command-line tool that ran and exited non-zero: "<tool file name> failed: <trimmed output>".
// The callers that install translate it into their own error.
class ToolFailure : public Error {
public:
    ToolFailure(const QString& tool, int status, const QString& output);

    int status = 0;
};
