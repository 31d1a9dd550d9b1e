#include "platform/codesign/RequirementEvaluator.h"

#include "platform/codesign/CodeHash.h"
#include "platform/codesign/Oid.h"

#include <openssl/objects.h>
#include <openssl/x509v3.h>

namespace RequirementEvaluator {
// Numbers inside strings compare by value ("17.4" > "7.4").
int naturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            QString x = a.mid(i, ei - i);
            QString y = b.mid(j, ej - j);
            while (x.size() > 1 && x.startsWith(u'0'))
                x.remove(0, 1);
            while (y.size() > 1 && y.startsWith(u'0'))
                y.remove(0, 1);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    return a.size() - i == b.size() - j ? 0 : (a.size() - i < b.size() - j ? -1 : 1);
}

bool matchString(const RequirementNode& node, const QString& candidate) {
    const QString value = QString::fromUtf8(node.value);
    switch (node.match) {
    case MatchOp::Exists:
        return true;
    case MatchOp::Equal:
        return candidate == value;
    case MatchOp::Contains:
        return candidate.contains(value);
    case MatchOp::BeginsWith:
        return candidate.startsWith(value);
    case MatchOp::EndsWith:
        return candidate.endsWith(value);
    case MatchOp::Less:
        return naturalCompare(candidate, value) < 0;
    case MatchOp::Greater:
        return naturalCompare(candidate, value) > 0;
    case MatchOp::LessEqual:
        return naturalCompare(candidate, value) <= 0;
    case MatchOp::GreaterEqual:
        return naturalCompare(candidate, value) >= 0;
    default:
        return false;
    }
}

bool matchValue(const RequirementNode& node, const std::optional<QVariant>& value) {
    const bool exists = value && value->isValid() && !(value->typeId() == QMetaType::Bool && !value->toBool());
    if (node.match == MatchOp::Absent)
        return !exists;
    if (!exists)
        return false;
    if (node.match == MatchOp::Exists)
        return true;
    if (value->typeId() == QMetaType::QVariantList) {
        for (const QVariant& item : value->toList()) {
            if (item.typeId() == QMetaType::QString && matchString(node, item.toString()))
                return true;
        }
        return false;
    }
    if (value->typeId() == QMetaType::QDateTime) {
        const int64_t seconds = requirementEpoch.secsTo(value->toDateTime());
        switch (node.match) {
        case MatchOp::On:
            return seconds == node.time;
        case MatchOp::Before:
            return seconds < node.time;
        case MatchOp::After:
            return seconds > node.time;
        case MatchOp::OnOrBefore:
            return seconds <= node.time;
        case MatchOp::OnOrAfter:
            return seconds >= node.time;
        default:
            return false;
        }
    }
    if (value->typeId() == QMetaType::QString || value->typeId() == QMetaType::LongLong ||
        value->typeId() == QMetaType::Double || value->typeId() == QMetaType::Bool)
        return matchString(node, value->toString());
    return false;
}

X509* certificateAt(const Requirement::Context& context, int32_t position) {
    const qsizetype size = context.chain.size();
    const qsizetype index = position >= 0 ? position : size + position;
    if (index < 0 || index >= size)
        return nullptr;
    return context.chain[index].get();
}

QStringList subjectValues(X509* certificate, const QByteArray& field) {
    const qsizetype dot = field.indexOf('.');
    const QByteArray side = field.left(dot);
    const QByteArray name = field.mid(dot + 1);
    static const QMap<QByteArray, int> nids = {{"CN", NID_commonName},        {"C", NID_countryName},
                                               {"D", NID_description},        {"L", NID_localityName},
                                               {"O", NID_organizationName},   {"OU", NID_organizationalUnitName},
                                               {"STREET", NID_streetAddress}, {"ST", NID_stateOrProvinceName},
                                               {"UID", NID_userId},           {"email", NID_pkcs9_emailAddress}};
    QStringList values;
    const auto nid = nids.constFind(name);
    if (nid == nids.constEnd())
        return values;
    X509_NAME* names = side == "issuer" ? X509_get_issuer_name(certificate) : X509_get_subject_name(certificate);
    for (int i = X509_NAME_get_index_by_NID(names, *nid, -1); i >= 0; i = X509_NAME_get_index_by_NID(names, *nid, i)) {
        ASN1_STRING* data = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(names, i));
        unsigned char* utf8 = nullptr;
        const int length = ASN1_STRING_to_UTF8(&utf8, data);
        if (length >= 0)
            values.append(QString::fromUtf8(reinterpret_cast<const char*>(utf8), length));
        OPENSSL_free(utf8);
    }
    return values;
}

ASN1_OBJECT* objectFrom(const QByteArray& content) {
    const QString dotted = Oid::text(content);
    return dotted.isEmpty() ? nullptr : OBJ_txt2obj(dotted.toLatin1().constData(), 1);
}

bool hasExtension(X509* certificate, const QByteArray& oid) {
    ASN1_OBJECT* object = objectFrom(oid);
    if (!object)
        return false;
    const bool found = X509_get_ext_by_OBJ(certificate, object, -1) >= 0;
    ASN1_OBJECT_free(object);
    return found;
}

bool hasPolicy(X509* certificate, const QByteArray& oid) {
    auto* policies =
        static_cast<CERTIFICATEPOLICIES*>(X509_get_ext_d2i(certificate, NID_certificate_policies, nullptr, nullptr));
    if (!policies)
        return false;
    bool found = false;
    for (int i = 0; i < sk_POLICYINFO_num(policies); ++i) {
        const ASN1_OBJECT* id = sk_POLICYINFO_value(policies, i)->policyid;
        found = found || QByteArray(reinterpret_cast<const char*>(OBJ_get0_data(id)), int(OBJ_length(id))) == oid;
    }
    CERTIFICATEPOLICIES_free(policies);
    return found;
}

bool isTrustedRoot(const Requirement::Context& context, X509* certificate) {
    for (const auto& root : context.trustedRoots) {
        if (X509_cmp(root.get(), certificate) == 0)
            return true;
    }
    return false;
}

bool anchoredGeneric(const Requirement::Context& context) {
    return !context.chain.isEmpty() && isTrustedRoot(context, context.chain.last().get());
}

bool evaluate(const RequirementNode& node, const Requirement::Context& context) {
    switch (node.op) {
    case Op::False:
    case Op::Unknown:
    case Op::NamedAnchor:
    case Op::NamedCode:
    case Op::LegacyDevID:
        return false;
    case Op::True:
        return true;
    case Op::Ident:
        return context.identifier.toUtf8() == node.data;
    case Op::AppleGenericAnchor:
        return anchoredGeneric(context);
    case Op::AppleAnchor: {
        // The vendor's own code: its leaf belongs to the same organisation as the root.
        if (!anchoredGeneric(context))
            return false;
        const QStringList leaf = subjectValues(context.chain.first().get(), "subject.O");
        const QStringList root = subjectValues(context.chain.last().get(), "subject.O");
        return !leaf.isEmpty() && leaf == root;
    }
    case Op::AnchorHash: {
        X509* certificate = certificateAt(context, node.position);
        if (!certificate)
            return false;
        unsigned char* der = nullptr;
        const int length = i2d_X509(certificate, &der);
        const QByteArray hash = CodeHash::of(CodeHash::Sha1, QByteArrayView(der, length));
        OPENSSL_free(der);
        return hash == node.data;
    }
    case Op::InfoKeyValue:
    case Op::InfoKeyField:
    case Op::EntitlementField: {
        const auto& dictionary = node.op == Op::EntitlementField ? context.entitlements : context.info;
        if (!dictionary)
            return node.match == MatchOp::Absent;
        const QString key = QString::fromUtf8(node.data);
        return matchValue(node, dictionary->contains(key) ? std::optional(dictionary->value(key)) : std::nullopt);
    }
    case Op::And:
        return evaluate(*node.left, context) && evaluate(*node.right, context);
    case Op::Or:
        return evaluate(*node.left, context) || evaluate(*node.right, context);
    case Op::Not:
        return !evaluate(*node.left, context);
    case Op::CDHash:
        return context.cdhashes.contains(node.data);
    case Op::CertField: {
        X509* certificate = certificateAt(context, node.position);
        if (!certificate)
            return false;
        const QStringList values = subjectValues(certificate, node.data);
        if (node.match == MatchOp::Absent)
            return values.isEmpty();
        for (const QString& value : values) {
            if (matchString(node, value))
                return true;
        }
        return false;
    }
    case Op::CertGeneric:
    case Op::CertPolicy:
    case Op::CertFieldDate: {
        X509* certificate = certificateAt(context, node.position);
        if (!certificate)
            return false;
        const bool present =
            node.op == Op::CertPolicy ? hasPolicy(certificate, node.data) : hasExtension(certificate, node.data);
        if (node.match == MatchOp::Exists)
            return present;
        if (node.match == MatchOp::Absent)
            return !present;
        return false; // value comparisons of extensions are not needed by any requirement we meet
    }
    case Op::TrustedCert: {
        X509* certificate = certificateAt(context, node.position);
        return certificate && !context.chain.isEmpty() && anchoredGeneric(context) &&
               isTrustedRoot(context, certificate);
    }
    case Op::TrustedCerts:
        return anchoredGeneric(context);
    case Op::Platform:
        return context.platform == node.number;
    case Op::Notarized:
        return context.notarized;
    }
    return false;
}


} // namespace RequirementEvaluator
