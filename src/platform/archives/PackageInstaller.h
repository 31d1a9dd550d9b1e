#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

// Installs a flat package's payloads: each component package's Payload (gzip or pbzx
// compressed cpio, or plain cpio) is decoded with a bound on its size, unpacked with the
// confinement checks of Extraction into a staging folder beside its destination, and moved
// into the target plus the component's install location. Nothing is written outside the
// target; set-id bits are dropped. Scripts are never run.
namespace PackageInstaller {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Limits {
    qint64 expanded = qint64(64) << 30; // decoded bytes of one payload
    qint64 ratio = 2000;                // decoded bytes per stored byte, beyond the first GiB
    qint64 ratioFloor = qint64(1) << 30;
};

// Installs `package` at `target` (an existing folder); returns the component names installed.
// Throws Failure with a complete sentence.
QStringList install(const QString& package, const QString& target, const Limits& limits);

// Decodes a Payload file into plain cpio at `out`. Throws Failure.
void decodePayload(const QString& payload, const QString& out, const Limits& limits);

} // namespace PackageInstaller
