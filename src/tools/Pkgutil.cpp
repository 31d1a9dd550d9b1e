#include "tools/Pkgutil.h"

#include "platform/codesign/Anchors.h"
#include "platform/archives/PackageSignature.h"
#include "platform/archives/XarArchive.h"
#include "runtime/StreamingHash.h"

#include <QFileInfo>
#include <QTextStream>

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include <cstdio>
#include <ctime>

namespace {

QString expires(X509* certificate) {
    struct tm t {};
    if (ASN1_TIME_to_tm(X509_get0_notAfter(certificate), &t) != 1)
        return {};
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &t);
    return QString::fromLatin1(buffer);
}

QString hexLine(const QByteArray& bytes) {
    QStringList pairs;
    for (char c : bytes)
        pairs << QStringLiteral("%1").arg(quint8(c), 2, 16, QLatin1Char('0')).toUpper();
    return pairs.join(u' ');
}

int report(const QString& path) {
    QTextStream out(stdout);
    out << "Package \"" << QFileInfo(path).fileName() << "\":\n";
    PackageSignature::Result result;
    try {
        const XarArchive archive = XarArchive::open(path);
        result = PackageSignature::check(archive, *Anchors::configured());
    } catch (const XarArchive::Failure& failure) {
        out << "   Status: package is invalid (" << QString::fromUtf8(failure.what()).chopped(1).toLower() << ")\n";
        return 1;
    }
    out << "   Status: " << PackageSignature::status(result.verdict) << '\n';
    if (result.verdict == PackageSignature::Verdict::Unsigned || result.verdict == PackageSignature::Verdict::Invalid)
        return 1;
    if (result.notarized)
        out << "   Notarization: trusted by the Apple notary service\n";
    out << "   Certificate Chain:\n";
    for (qsizetype i = 0; i < result.chain.size(); ++i) {
        X509* certificate = result.chain[i].get();
        unsigned char* der = nullptr;
        const int length = i2d_X509(certificate, &der);
        const QByteArray fingerprint = StreamingHash::of(StreamingHash::Algorithm::Sha256, QByteArrayView(der, length));
        OPENSSL_free(der);
        out << "    " << (i + 1) << ". " << PackageSignature::printableName(certificate) << '\n';
        out << "       Expires: " << expires(certificate) << '\n';
        out << "       SHA256 Fingerprint:\n";
        out << "           " << hexLine(fingerprint.left(22)) << '\n';
        out << "           " << hexLine(fingerprint.mid(22)) << '\n';
        if (i + 1 < result.chain.size())
            out << "       " << QString(72, u'-') << '\n';
    }
    out.flush();
    const bool trusted = result.verdict == PackageSignature::Verdict::DeveloperId ||
                         result.verdict == PackageSignature::Verdict::Trusted;
    return trusted ? 0 : 1;
}

} // namespace

int pkgutilMain(const QStringList& args) {
    if (args.size() != 2 || args[0] != u"--check-signature") {
        std::fputs("usage: pkgutil --check-signature <package>\n", stderr);
        return 64;
    }
    return report(args[1]);
}
