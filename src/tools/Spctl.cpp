#include "tools/Spctl.h"

#include "platform/codesign/Anchors.h"
#include "platform/codesign/CodeSignature.h"
#include "platform/archives/PackageSignature.h"
#include "platform/archives/XarArchive.h"
#include "platform/codesign/Requirement.h"
#include "platform/codesign/SignatureStatus.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

struct Verdict {
    bool accepted = false;
    QString reason;
    QString source;
    QString origin;
};

// The policy rules, checked in order: the vendor's own code, the store, Developer ID.
Verdict assess(const QString& path, bool execute) {
    Verdict verdict;
    verdict.source = QStringLiteral("no usable signature");
    const auto code = CodeSignature::create(path);
    if (!code)
        return verdict;
    const int status = code->checkValidity(CodeSignature::ValidityFlags);
    if (status != SignatureStatus::Ok) {
        if (status != SignatureStatus::Unsigned)
            verdict.reason =
                SignatureStatus::message(status).value_or(QStringLiteral("error ") + QString::number(status));
        return verdict;
    }
    const auto info = code->information(CodeSignature::ValidityFlags);
    if (!info || info->chain.isEmpty())
        return verdict;
    verdict.origin = info->leafCommonName;
    verdict.source.clear();
    if (execute && !code->isBundle()) {
        verdict.reason = QStringLiteral("the code is valid but does not seem to be an app");
        return verdict;
    }
    const auto meets = [&](const char* text) {
        const auto requirement = Requirement::parse(QString::fromLatin1(text));
        return requirement && code->checkValidity(CodeSignature::ValidityFlags, &*requirement) == SignatureStatus::Ok;
    };
    if (meets("anchor apple")) {
        verdict.accepted = true;
        verdict.source = QStringLiteral("Apple System");
    } else if (meets("anchor apple generic and certificate leaf[field.1.2.840.113635.100.6.1.9] exists")) {
        verdict.accepted = true;
        verdict.source = QStringLiteral("Mac App Store");
    } else if (meets("anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] exists and "
                     "certificate leaf[field.1.2.840.113635.100.6.1.13] exists")) {
        verdict.accepted = info->notarized;
        verdict.source =
            info->notarized ? QStringLiteral("Notarized Developer ID") : QStringLiteral("Unnotarized Developer ID");
    }
    return verdict;
}

// An installer package: only a notarised Developer ID Installer signature is accepted.
Verdict assessPackage(const QString& path) {
    Verdict verdict;
    verdict.source = QStringLiteral("no usable signature");
    PackageSignature::Result result;
    try {
        result = PackageSignature::check(XarArchive::open(path), *Anchors::configured());
    } catch (const XarArchive::Failure&) {
        return verdict;
    }
    if (!result.chain.isEmpty())
        verdict.origin = PackageSignature::printableName(result.chain.first().get());
    switch (result.verdict) {
    case PackageSignature::Verdict::DeveloperId:
        verdict.accepted = result.notarized;
        verdict.source =
            result.notarized ? QStringLiteral("Notarized Developer ID") : QStringLiteral("Unnotarized Developer ID");
        break;
    case PackageSignature::Verdict::Trusted:
        verdict.source.clear();
        break;
    default:
        verdict.origin.clear();
        break;
    }
    return verdict;
}

bool isPackage(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == "xar!";
}

int usage() {
    std::fputs("usage: spctl --assess [--type execute|install|open] [-v] path...\n", stderr);
    return 2;
}

} // namespace

int spctlMain(const QStringList& args) {
    bool assessing = false;
    QString type = QStringLiteral("execute");
    int verbosity = 0;
    QStringList paths;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--assess" || arg == u"-a") {
            assessing = true;
        } else if (arg == u"--type" || arg == u"-t") {
            if (++i >= args.size())
                return usage();
            type = args[i];
        } else if (arg == u"--verbose") {
            ++verbosity;
        } else if (arg.startsWith(u'-') && arg.size() > 1 && arg.mid(1).count(u'v') == arg.size() - 1) {
            verbosity += int(arg.size() - 1);
        } else if (arg.startsWith(u'-')) {
            return usage();
        } else {
            paths.append(arg);
        }
    }
    if (!assessing || paths.isEmpty() ||
        !(type == u"execute" || type == u"exec" || type == u"install" || type == u"open"))
        return usage();
    QTextStream out(stdout);
    bool allAccepted = true;
    for (const QString& path : paths) {
        const Verdict verdict = type == u"install" && isPackage(path)
                                    ? assessPackage(path)
                                    : assess(path, type == u"execute" || type == u"exec");
        allAccepted = allAccepted && verdict.accepted;
        out << path << (verdict.accepted ? ": accepted" : ": rejected");
        if (!verdict.reason.isEmpty())
            out << " (" << verdict.reason << ')';
        out << '\n';
        if (verbosity >= 1 && !verdict.source.isEmpty())
            out << "source=" << verdict.source << '\n';
        if (verbosity >= 2 && !verdict.origin.isEmpty())
            out << "origin=" << verdict.origin << '\n';
    }
    out.flush();
    return allAccepted ? 0 : 3;
}
