#include "platform/codesign/SignatureStatus.h"

namespace SignatureStatus {

std::optional<QString> message(int status) {
    switch (status) {
    case Ok:
        return QStringLiteral("no error");
    case StaticCodeNotFound:
        return QStringLiteral("the code could not be found");
    case Unsigned:
        return QStringLiteral("the code has no signature");
    case SignatureFailed:
        return QStringLiteral("the signature does not verify against its code directory");
    case SignatureUnsupported:
        return QStringLiteral("the signature uses a form that can't be checked");
    case ResourcesNotSealed:
        return QStringLiteral("the bundle's resources are not sealed");
    case ResourcesInvalid:
        return QStringLiteral("a sealed resource was changed, added or removed");
    case RequirementInvalid:
        return QStringLiteral("the code requirement is malformed");
    case RequirementFailed:
        return QStringLiteral("the code does not satisfy the requirement");
    case BadObjectFormat:
        return QStringLiteral("the executable's file format is damaged");
    case SignatureInvalid:
        return QStringLiteral("the code or its signature was changed after signing");
    case InfoPlistFailed:
        return QStringLiteral("Info.plist was changed after signing");
    case NoMainExecutable:
        return QStringLiteral("the bundle has no main executable");
    case BadBundleFormat:
        return QStringLiteral("the bundle's layout is not recognised");
    case ResourceDirectoryFailed:
        return QStringLiteral("the resource seal was changed after signing");
    case BadNestedCode:
        return QStringLiteral("nested code was changed or is not validly signed");
    case InvalidSymlink:
        return QStringLiteral("a symbolic link points outside the bundle");
    case Revoked:
        return QStringLiteral("a certificate of the signature was revoked");
    case CertificateExpired:
        return QStringLiteral("a certificate of the signature is not valid at this time");
    case Untrusted:
        return QStringLiteral("the signature's certificate chain is not trusted");
    default:
        return std::nullopt;
    }
}

} // namespace SignatureStatus
