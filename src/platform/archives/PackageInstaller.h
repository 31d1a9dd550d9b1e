#pragma once

#include "platform/archives/ExpansionLimit.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

// Installs a flat package's payloads: each component package's Payload (a cpio archive, plain
// or compressed with gzip, bzip2, xz or pbzx) streams from the package, decoded on the fly with
// a bound on its size, is unpacked with the confinement checks of Extraction into a staging
// folder on its install location's file system, its checksums checked at its end, and is moved
// into the target plus the component's install location; an item whose destination lies on
// another file system (a mount point inside the target) is first copied to a staging folder
// there. Every entry of every component is decided and staged before the first is moved in:
// folders merge (also through a link to a folder inside the target), files and links replace
// files and links in one step, and anything that would replace a folder or put a folder over a
// file refuses the whole package. A move that fails part-way undoes the moves made before it.
// Nothing is written outside the target; set-id bits are dropped. Scripts are never run.
namespace PackageInstaller {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The bound on the decoded bytes of one payload.
using Limits = ExpansionLimit;

// Installs `package` at `target` (an existing folder); returns the component names installed.
// Throws Failure with a complete sentence.
QStringList install(const QString& package, const QString& target, const Limits& limits);

} // namespace PackageInstaller
