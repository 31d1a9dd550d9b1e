#include "platform/codesign/RequirementText.h"

#include "platform/codesign/Oid.h"

namespace RequirementText {
QString quoted(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    text.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + text + u'"';
}

QString positionText(int32_t position) {
    return position == 0 ? QStringLiteral("leaf") : position == -1 ? QStringLiteral("root") : QString::number(position);
}

QString matchText(const RequirementNode& node) {
    const QString value = QString::fromUtf8(node.value);
    const auto date = [&] {
        return QStringLiteral(" timestamp \"%1\"")
            .arg(requirementEpoch.addSecs(node.time).toString(QStringLiteral("yyyyMMddHHmmss'Z'")));
    };
    switch (node.match) {
    case MatchOp::Exists:
        return QStringLiteral(" exists");
    case MatchOp::Absent:
        return QStringLiteral(" absent");
    case MatchOp::Equal:
        return QStringLiteral(" = ") + quoted(node.value);
    case MatchOp::Contains:
        return QStringLiteral(" = *") + value + u'*';
    case MatchOp::BeginsWith:
        return QStringLiteral(" = ") + value + u'*';
    case MatchOp::EndsWith:
        return QStringLiteral(" = *") + value;
    case MatchOp::Less:
        return QStringLiteral(" < ") + quoted(node.value);
    case MatchOp::Greater:
        return QStringLiteral(" > ") + quoted(node.value);
    case MatchOp::LessEqual:
        return QStringLiteral(" <= ") + quoted(node.value);
    case MatchOp::GreaterEqual:
        return QStringLiteral(" >= ") + quoted(node.value);
    case MatchOp::On:
        return QStringLiteral(" =") + date();
    case MatchOp::Before:
        return QStringLiteral(" <") + date();
    case MatchOp::After:
        return QStringLiteral(" >") + date();
    case MatchOp::OnOrBefore:
        return QStringLiteral(" <=") + date();
    case MatchOp::OnOrAfter:
        return QStringLiteral(" >=") + date();
    }
    return {};
}

QString text(const RequirementNode& node) {
    const auto child = [](const RequirementNode& inner, Op parent) {
        const bool wrap = (parent == Op::And && inner.op == Op::Or) ||
                          (parent == Op::Not && (inner.op == Op::And || inner.op == Op::Or));
        return wrap ? u'(' + text(inner) + u')' : text(inner);
    };
    switch (node.op) {
    case Op::False:
        return QStringLiteral("never");
    case Op::True:
        return QStringLiteral("always");
    case Op::Unknown:
        return QStringLiteral("never");
    case Op::Ident:
        return QStringLiteral("identifier ") + quoted(node.data);
    case Op::AppleAnchor:
        return QStringLiteral("anchor apple");
    case Op::AppleGenericAnchor:
        return QStringLiteral("anchor apple generic");
    case Op::AnchorHash:
        return QStringLiteral("certificate %1 = H\"%2\"")
            .arg(positionText(node.position), QString::fromLatin1(node.data.toHex()));
    case Op::InfoKeyValue:
    case Op::InfoKeyField:
        return QStringLiteral("info[") + QString::fromUtf8(node.data) + u']' + matchText(node);
    case Op::EntitlementField:
        return QStringLiteral("entitlement[") + QString::fromUtf8(node.data) + u']' + matchText(node);
    case Op::And:
        return child(*node.left, Op::And) + QStringLiteral(" and ") + child(*node.right, Op::And);
    case Op::Or:
        return child(*node.left, Op::Or) + QStringLiteral(" or ") + child(*node.right, Op::Or);
    case Op::Not:
        return QStringLiteral("! ") + child(*node.left, Op::Not);
    case Op::CDHash:
        return QStringLiteral("cdhash H\"") + QString::fromLatin1(node.data.toHex()) + u'"';
    case Op::CertField:
        return QStringLiteral("certificate ") + positionText(node.position) + u'[' + QString::fromUtf8(node.data) +
               u']' + matchText(node);
    case Op::CertGeneric:
    case Op::CertPolicy:
    case Op::CertFieldDate: {
        const QString prefix = node.op == Op::CertGeneric  ? QStringLiteral("field.")
                               : node.op == Op::CertPolicy ? QStringLiteral("policy.")
                                                           : QStringLiteral("timestamp.");
        return QStringLiteral("certificate ") + positionText(node.position) + u'[' + prefix + Oid::text(node.data) +
               u']' + matchText(node);
    }
    case Op::TrustedCert:
        return QStringLiteral("certificate ") + positionText(node.position) + QStringLiteral(" trusted");
    case Op::TrustedCerts:
        return QStringLiteral("anchor trusted");
    case Op::NamedAnchor:
        return QStringLiteral("anchor apple ") + quoted(node.data);
    case Op::NamedCode:
        return u'(' + quoted(node.data) + u')';
    case Op::Platform:
        return QStringLiteral("platform = ") + QString::number(node.number);
    case Op::Notarized:
        return QStringLiteral("notarized");
    case Op::LegacyDevID:
        return QStringLiteral("legacy");
    }
    return {};
}


} // namespace RequirementText
