#pragma once

#include <QString>

#include <optional>

// The code-signing services: reading and checking the signature macOS writes into a bundle's
// main executable (thin or universal Mach-O) and its sealed resources.
class CodeSignature {
public:
    // The Team ID recorded in the primary code directory of the code at `path` (a bundle, whose
    // main executable is read, or a Mach-O file), without validating anything. Nothing when
    // the code is unsigned, unreadable or malformed, or the signature names no team. In a
    // universal file every signed slice must name the same team.
    static std::optional<QString> teamIdentifier(const QString& path);
};
