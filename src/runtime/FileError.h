#pragma once

#include "runtime/Error.h"

// A failed file-system operation. The description is a short sentence of our own from the
// operation and errno; the path is kept for callers that name it themselves.
class FileError : public Error {
public:
    enum class Op { Read, Write, Create, Remove, Move, Copy, List, Link, Stat, Open };

    FileError(Op op, QString path, int error);

    static QString sentence(Op op, int error);

    Op op;
    QString path;
    int error; // errno
};
