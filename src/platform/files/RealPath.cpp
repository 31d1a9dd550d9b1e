#include "platform/files/RealPath.h"

#include <QFile>

#include <cstdlib>
#include <memory>

#include <stdlib.h>

std::optional<QString> realPath(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(QFile::encodeName(path).constData(), nullptr),
                                                         &std::free);
    if (!resolved)
        return std::nullopt;
    return QFile::decodeName(resolved.get());
}
