#include "install/PackageSigner.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString developerStatus = QStringLiteral("signed by a developer certificate issued by Apple for distribution");
const QString installerPrefix = QStringLiteral("Developer ID Installer: ");

QString trimmedBlanks(const QString& line) {
    qsizetype start = 0;
    qsizetype end = line.size();
    while (start < end && (line[start] == u' ' || line[start] == u'\t'))
        ++start;
    while (end > start && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
        --end;
    return line.mid(start, end - start);
}

// Any line break: CR LF, LF or a lone CR, so that no CR stays on a line.
const QRegularExpression& lineBreak() {
    static const QRegularExpression pattern(QStringLiteral("\r\n|\r|\n"));
    return pattern;
}

} // namespace

std::optional<QString> PackageSigner::team() const {
    if (!leaf || !leaf->startsWith(installerPrefix))
        return std::nullopt;
    static const QRegularExpression pattern(QStringLiteral("\\(([A-Z0-9]{10})\\)$"));
    const auto match = pattern.match(*leaf);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

PackageSigner PackageSigner::from(int signatureStatus, const QString& signatureReport, int assessmentStatus,
                                  const QString& assessmentReport) {
    PackageSigner signer;
    for (const QString& raw : signatureReport.split(lineBreak())) {
        const QString line = trimmedBlanks(raw);
        if (line.startsWith(u"Status: "))
            signer.status = line.mid(8);
        else if (!signer.leaf && line.startsWith(u"1. "))
            signer.leaf = line.mid(3);
    }
    signer.trusted = signatureStatus == 0 && signer.status == developerStatus;
    for (const QString& line : assessmentReport.split(lineBreak())) {
        if (line == u"source=Notarized Developer ID")
            signer.notarized = true;
    }
    signer.accepted = assessmentStatus == 0;
    return signer;
}
