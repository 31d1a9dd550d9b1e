#pragma once

#include "platform/codesign/Anchors.h"
#include "platform/codesign/CodeBundle.h"
#include "platform/codesign/Requirement.h"
#include "platform/files/FileReader.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// The code-signing services: the signature macOS writes into a bundle's main executable (thin
// or universal Mach-O) and its sealed resources, read and checked against configured anchors.
// One object stands for the code at a path (a bundle or a bare Mach-O file); it keeps no state
// beyond the path, so every check reads the disk afresh.
class CodeSignature {
public:
    enum Flag : uint32_t {
        CheckAllArchitectures = 0x1,
        CheckNestedCode = 0x8,
        StrictValidate = 0x10,
        EnforceRevocationChecks = 0x40000000,
    };
    // What trusting a signature takes: every architecture, nested code, strict validation and
    // revocation checks.
    static constexpr uint32_t ValidityFlags =
        CheckAllArchitectures | CheckNestedCode | StrictValidate | EnforceRevocationChecks;

    // What a signature says about itself, once it verified.
    struct Information {
        QString identifier;
        std::optional<QString> teamIdentifier;
        QList<QByteArray> cdhashes;        // 20 bytes, one per checked slice
        QList<Anchors::Certificate> chain; // leaf first; empty when ad-hoc
        bool adhoc = false;
        bool notarized = false; // a genuine stapled ticket names every cdhash
        QString leafCommonName;
    };

    // Nothing when nothing exists at the path.
    static std::optional<CodeSignature> create(const QString& path,
                                               std::shared_ptr<const Anchors> anchors = Anchors::configured());

    // The Team ID recorded in the code directory of the code at `path`, without validating
    // anything. Nothing when the code is unsigned, unreadable or malformed or names no team; in
    // a universal file every slice must be signed for the same team.
    static std::optional<QString> teamIdentifier(const QString& path);
    // The same for a bundle already located, so its Info.plist is not read again.
    static std::optional<QString> teamIdentifier(const CodeBundle& bundle);
    // The same for an executable already open; only its headers and code directories are read.
    static std::optional<QString> teamIdentifier(FileReader& executable);

    // 0 when the signature is valid (and meets `requirement` when given), else a code of
    // SignatureStatus.
    int checkValidity(uint32_t flags, const Requirement* requirement = nullptr) const;

    // The information of a valid signature (checked with `flags`), or nothing.
    std::optional<Information> information(uint32_t flags = CheckAllArchitectures) const;

    // The designated requirement: the one stored in the signature, else the implicit one made
    // from the signer's chain. Read without validating the code: a copy whose resources changed,
    // or whose certificate has since expired, still names who made it; when neither can be read,
    // one naming the Team ID the code directory records. Nothing when the code is unsigned or
    // its signature can not be read.
    std::optional<Requirement> designatedRequirement() const;

    const QString& path() const { return bundle_.path; }
    bool isBundle() const { return bundle_.isBundle; }

private:
    struct Outcome;
    Outcome check(uint32_t flags, int depth) const;
    std::optional<Information> informationFrom(const Outcome& outcome) const;

    CodeBundle bundle_;
    std::shared_ptr<const Anchors> anchors_;
};
