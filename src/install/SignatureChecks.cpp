#include "install/SignatureChecks.h"

#include "platform/files/Sys.h"
#include "platform/codesign/CodeSignature.h"
#include "platform/codesign/Requirement.h"
#include "platform/codesign/SignatureStatus.h"
#include "platform/system/Subprocess.h"
#include "platform/system/ToolPaths.h"
#include "runtime/FileError.h"
#include "runtime/OutsideText.h"
#include "runtime/StreamingHash.h"
#include "runtime/UpdateError.h"

#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace SignatureChecks {
namespace {

constexpr qint64 chunkSize = 1024 * 1024;

const QString notSigned = QStringLiteral("The new version isn't code signed.");

} // namespace

QString sha256(const QString& path) {
    const UniqueFd fd = Sys::open(QFile::encodeName(path), O_RDONLY | O_CLOEXEC);
    if (!fd)
        throw FileError(FileError::Op::Open, path, errno);
    StreamingHash hash(StreamingHash::Algorithm::Sha256);
    QByteArray chunk(chunkSize, Qt::Uninitialized);
    while (true) {
        const ssize_t got = Sys::read(fd.get(), chunk.data(), size_t(chunk.size()));
        if (got < 0)
            throw FileError(FileError::Op::Read, path, errno);
        if (got == 0)
            break;
        hash.add(QByteArrayView(chunk.constData(), got));
    }
    return QString::fromLatin1(hash.result().toHex());
}

std::optional<QString> validSignature(const QString& app) {
    const auto code = CodeSignature::create(app);
    if (!code)
        throw UpdateError(notSigned);
    const int status = code->checkValidity(CodeSignature::ValidityFlags);
    if (status == SignatureStatus::Ok)
        return CodeSignature::teamIdentifier(app);
    const QString message =
        SignatureStatus::message(status).value_or(QStringLiteral("error ") + QString::number(status));
    throw UpdateError(QStringLiteral("The new version's code signature is invalid: ") + message + u'.');
}

QString notarizedDeveloperID(const QString& app, const QString& name, const Output& output) {
    const auto requirement = Requirement::parse(
        QStringLiteral("anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] exists and "
                       "certificate leaf[field.1.2.840.113635.100.6.1.13] exists"));
    const auto code = CodeSignature::create(app);
    if (!code)
        throw UpdateError(notSigned);
    const bool valid =
        requirement && code->checkValidity(CodeSignature::ValidityFlags, &*requirement) == SignatureStatus::Ok;
    const std::optional<QString> team = valid ? CodeSignature::teamIdentifier(app) : std::nullopt;
    if (!team)
        throw UpdateError(OutsideText::isolated(name) +
                          QStringLiteral(" isn't signed with a Developer ID, and your other Mac has no developer on "
                                         "record to compare it with. Refusing to install."));
    const QStringList arguments{QStringLiteral("--assess"), QStringLiteral("--type"), QStringLiteral("execute"),
                                QStringLiteral("-vv"), app};
    const QString text = output ? output(ToolPaths::spctl, arguments)
                                : Subprocess::output(ToolPaths::local(ToolPaths::spctl), arguments).text;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    if (text.split(lineBreak).contains(QStringLiteral("source=Notarized Developer ID")))
        return *team;
    throw UpdateError(OutsideText::isolated(name) + QStringLiteral(" is signed by team ") +
                      OutsideText::isolated(*team) +
                      QStringLiteral(" but isn't notarized by Apple. Refusing to install."));
}

} // namespace SignatureChecks
