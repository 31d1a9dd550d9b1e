#pragma once

#include <QString>

#include <optional>

// The verdict on an installer package drawn from the package tools' reports: the signature
// report's status and first certificate line, and the install assessment.
struct PackageSigner {
    QString status;              // text after "Status: "; empty without such a line
    std::optional<QString> leaf; // text after "1. " on the first certificate line
    bool trusted = false;        // the report tool exited 0 and the status is the Developer ID one
    bool notarized = false;      // a line of the assessment is exactly "source=Notarized Developer ID"
    bool accepted = false;       // the assessment exited 0

    // The ten characters in the final parentheses of a Developer ID Installer leaf.
    std::optional<QString> team() const;

    // Reads both reports.
    static PackageSigner from(int signatureStatus, const QString& signatureReport, int assessmentStatus,
                              const QString& assessmentReport);

    bool operator==(const PackageSigner&) const = default;
};
