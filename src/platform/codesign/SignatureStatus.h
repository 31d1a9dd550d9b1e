#pragma once

#include <QString>

#include <optional>

// The outcome codes of code-signature checks and the sentence fragment each one stands for.
// The numbers follow the platform's published codes so that "error <n>" means the same thing.
namespace SignatureStatus {

enum : int {
    Ok = 0,
    StaticCodeNotFound = -67068,
    Unsigned = -67062,
    SignatureFailed = -67061,
    SignatureUnsupported = -67059,
    ResourcesNotSealed = -67057,
    ResourcesInvalid = -67055,
    RequirementInvalid = -67052,
    RequirementFailed = -67050,
    BadObjectFormat = -67049,
    SignatureInvalid = -67045,
    InfoPlistFailed = -67030,
    NoMainExecutable = -67029,
    BadBundleFormat = -67028,
    ResourceDirectoryFailed = -67023,
    BadNestedCode = -67021,
    InvalidSymlink = -67003,
    Revoked = -2147409652,
    CertificateExpired = -2147409654,
    Untrusted = -2147409622,
};

// The description of a status, or nothing for a code this table does not know.
std::optional<QString> message(int status);

} // namespace SignatureStatus
