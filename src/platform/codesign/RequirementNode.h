#pragma once

// The parsed form of a code requirement, shared by its readers, its evaluation and its text.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstdint>
#include <memory>

enum class Op : uint32_t {
    False = 0,
    True,
    Ident,
    AppleAnchor,
    AnchorHash,
    InfoKeyValue,
    And,
    Or,
    CDHash,
    Not,
    InfoKeyField,
    CertField,
    TrustedCert,
    TrustedCerts,
    CertGeneric,
    AppleGenericAnchor,
    EntitlementField,
    CertPolicy,
    NamedAnchor,
    NamedCode,
    Platform,
    Notarized,
    CertFieldDate,
    LegacyDevID,
    Unknown = 0xFFFFFFFF, // an operation we do not know, marked by its writer as false when unknown
};

enum class MatchOp : uint32_t {
    Exists = 0,
    Equal,
    Contains,
    BeginsWith,
    EndsWith,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    On,
    Before,
    After,
    OnOrBefore,
    OnOrAfter,
    Absent,
};

struct RequirementNode {
    Op op = Op::False;
    QByteArray data; // identifier, hash, key, field name, OID content bytes, name
    int32_t position = 0;
    int64_t number = 0;
    MatchOp match = MatchOp::Exists;
    QByteArray value;
    int64_t time = 0; // seconds since 2001
    std::shared_ptr<const RequirementNode> left;
    std::shared_ptr<const RequirementNode> right;
};

using Node = std::shared_ptr<const RequirementNode>;

namespace RequirementLimits {
// Expressions nest at most this deep, in either form.
inline constexpr int maxDepth = 64;
} // namespace RequirementLimits

// Dates in requirements count seconds from here.
inline const QDateTime requirementEpoch{QDate(2001, 1, 1), QTime(0, 0), Qt::UTC};
