#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The three checks an install runs on files it is about to trust: a file's SHA-256, the
// validity of a bundle's code signature with its Team ID, and the stricter Developer ID and
// notarisation test used when no Team ID is on record. They keep no state and block: run them
// through Blocking::run.
namespace SignatureChecks {

// 64 lower-case hex digits, read in 1 MiB chunks. File errors pass through as FileError.
QString sha256(const QString& file);

// Throws UpdateError unless the bundle's signature is valid; the Team ID, or nothing when the
// valid signature carries none (ad-hoc).
std::optional<QString> validSignature(const QString& app);

// Runs a tool whose exit status is an answer and gives its merged output.
using Output = std::function<QString(const QString& tool, const QStringList& arguments)>;

// The Team ID of a bundle that is Developer ID signed and notarised; `name` is the
// application's display name in the sentences. `output` runs the Gatekeeper assessment.
QString notarizedDeveloperID(const QString& app, const QString& name, const Output& output = {});

} // namespace SignatureChecks
