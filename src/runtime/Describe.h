#pragma once

#include <QString>

#include <exception>

// The one way to turn a caught error into the text a user reads.
QString describe(std::exception_ptr error);

// Whether the error is a cancellation (ours, or a task cut short).
bool isCancellation(std::exception_ptr error);
