#pragma once

#include <QString>

#include <stdexcept>

// Copies a file or a folder tree the way the platform's copy tool does: links are copied as
// links (never followed), modes and times are kept. A folder's contents are merged into the
// destination folder, which is made with its parents; an item in the way that is a link is
// replaced, never written through.
namespace TreeCopy {

// The message names the path and the system's reason ("<path>: <strerror>").
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void copy(const QString& source, const QString& destination);

} // namespace TreeCopy
