#include "platform/codesign/Requirement.h"

#include "platform/codesign/ByteReader.h"
#include "platform/codesign/CodeHash.h"

#include <QDateTime>
#include <QRegularExpression>

#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

enum class Op : uint32_t {
    False = 0, True, Ident, AppleAnchor, AnchorHash, InfoKeyValue, And, Or, CDHash, Not,
    InfoKeyField, CertField, TrustedCert, TrustedCerts, CertGeneric, AppleGenericAnchor,
    EntitlementField, CertPolicy, NamedAnchor, NamedCode, Platform, Notarized, CertFieldDate,
    LegacyDevID,
    Unknown = 0xFFFFFFFF, // an operation we do not know, marked by its writer as false when unknown
};

enum class MatchOp : uint32_t {
    Exists = 0, Equal, Contains, BeginsWith, EndsWith, Less, Greater, LessEqual, GreaterEqual,
    On, Before, After, OnOrBefore, OnOrAfter, Absent,
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

namespace {

constexpr int maxDepth = 64;
constexpr uint32_t opFlagMask = 0xFF000000;
constexpr uint32_t opGenericFalse = 0x80000000;
constexpr uint32_t opGenericSkip = 0x40000000;
const QDateTime epoch2001(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);


// ---------- binary form ----------

class BinaryReader {
public:
    explicit BinaryReader(QByteArrayView program) : r_(program) {}

    bool atEnd() const { return at_ == r_.size(); }

    std::optional<uint32_t> word() {
        const auto value = r_.be32(at_);
        if (value)
            at_ += 4;
        return value;
    }

    std::optional<QByteArray> data() {
        const auto length = word();
        if (!length || !r_.contains(at_, *length))
            return std::nullopt;
        QByteArray bytes = r_.slice(at_, *length)->toByteArray();
        at_ += (qint64(*length) + 3) & ~qint64(3);
        if (at_ > r_.size())
            return std::nullopt;
        return bytes;
    }

    bool match(RequirementNode& node) {
        const auto op = word();
        if (!op || *op > uint32_t(MatchOp::Absent))
            return false;
        node.match = MatchOp(*op);
        if (node.match == MatchOp::Exists || node.match == MatchOp::Absent)
            return true;
        if (node.match >= MatchOp::On) {
            const auto high = word();
            const auto low = word();
            if (!high || !low)
                return false;
            node.time = int64_t((uint64_t(*high) << 32) | *low);
            return true;
        }
        auto value = data();
        if (!value)
            return false;
        node.value = std::move(*value);
        return true;
    }

    Node expression(int depth) {
        if (depth > maxDepth)
            return nullptr;
        const auto raw = word();
        if (!raw)
            return nullptr;
        const uint32_t flags = *raw & opFlagMask;
        const uint32_t code = *raw & ~opFlagMask;
        qint64 end = -1;
        if (flags & (opGenericFalse | opGenericSkip)) {
            const auto length = word();
            if (!length || !r_.contains(at_, *length))
                return nullptr;
            end = at_ + *length;
            if (code > uint32_t(Op::LegacyDevID)) {
                at_ = end;
                auto node = std::make_shared<RequirementNode>();
                node->op = Op::Unknown;
                return node;
            }
        } else if (flags != 0 || code > uint32_t(Op::LegacyDevID)) {
            return nullptr;
        }
        auto node = std::make_shared<RequirementNode>();
        node->op = Op(code);
        bool ok = true;
        const auto take = [&](QByteArray& into) {
            auto bytes = data();
            ok = ok && bytes.has_value();
            if (bytes)
                into = std::move(*bytes);
        };
        const auto position = [&] {
            const auto value = word();
            ok = ok && value.has_value();
            node->position = int32_t(value.value_or(0));
        };
        switch (node->op) {
        case Op::False: case Op::True: case Op::AppleAnchor: case Op::TrustedCerts:
        case Op::AppleGenericAnchor: case Op::Notarized: case Op::LegacyDevID:
            break;
        case Op::Ident: case Op::CDHash: case Op::NamedAnchor: case Op::NamedCode:
            take(node->data);
            break;
        case Op::AnchorHash:
            position();
            take(node->data);
            break;
        case Op::InfoKeyValue:
            take(node->data);
            take(node->value);
            node->match = MatchOp::Equal;
            break;
        case Op::And: case Op::Or:
            node->left = expression(depth + 1);
            node->right = node->left ? expression(depth + 1) : nullptr;
            ok = node->left && node->right;
            break;
        case Op::Not:
            node->left = expression(depth + 1);
            ok = node->left != nullptr;
            break;
        case Op::InfoKeyField: case Op::EntitlementField:
            take(node->data);
            ok = ok && match(*node);
            break;
        case Op::CertField: case Op::CertGeneric: case Op::CertPolicy: case Op::CertFieldDate:
            position();
            take(node->data);
            ok = ok && match(*node);
            break;
        case Op::TrustedCert:
            position();
            break;
        case Op::Platform: {
            const auto value = word();
            ok = value.has_value();
            node->number = int32_t(value.value_or(0));
            break;
        }
        case Op::Unknown:
            ok = false;
            break;
        }
        if (!ok || (end >= 0 && at_ != end))
            return nullptr;
        return node;
    }

private:
    ByteReader r_;
    qint64 at_ = 0;
};

// ---------- text form ----------

struct Token {
    enum Kind { End, Word, String, Hash, Punct } kind = End;
    QString text;
    QByteArray bytes;
};

class Lexer {
public:
    explicit Lexer(const QString& text) : s_(text) {}

    std::optional<QList<Token>> tokens() {
        QList<Token> out;
        while (true) {
            skipSpace();
            if (i_ >= s_.size())
                break;
            const QChar c = s_[i_];
            if (c == u'"') {
                auto text = quoted();
                if (!text)
                    return std::nullopt;
                out.append({Token::String, *text, {}});
            } else if (c == u'H' && i_ + 1 < s_.size() && s_[i_ + 1] == u'"') {
                ++i_;
                auto text = quoted();
                if (!text || text->size() % 2 || !QRegularExpression(QStringLiteral("^[0-9A-Fa-f]*$")).match(*text).hasMatch())
                    return std::nullopt;
                out.append({Token::Hash, *text, QByteArray::fromHex(text->toLatin1())});
            } else if (c == u'<' || c == u'>') {
                ++i_;
                QString op(c);
                if (i_ < s_.size() && s_[i_] == u'=') {
                    op += u'=';
                    ++i_;
                }
                out.append({Token::Punct, op, {}});
            } else if (QStringLiteral("()[]!=").contains(c)) {
                ++i_;
                out.append({Token::Punct, QString(c), {}});
            } else if (isWordChar(c)) {
                const qsizetype start = i_;
                while (i_ < s_.size() && isWordChar(s_[i_]))
                    ++i_;
                out.append({Token::Word, s_.mid(start, i_ - start), {}});
            } else {
                return std::nullopt;
            }
        }
        out.append({Token::End, {}, {}});
        return out;
    }

private:
    static bool isWordChar(QChar c) {
        return c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'-' || c == u'/' || c == u'*' || c == u'+'
            || c == u':' || c == u'@' || c == u'$';
    }

    void skipSpace() {
        while (i_ < s_.size()) {
            if (s_[i_].isSpace()) {
                ++i_;
            } else if (s_.mid(i_, 2) == u"/*") {
                const qsizetype close = s_.indexOf(QStringLiteral("*/"), i_ + 2);
                i_ = close < 0 ? s_.size() : close + 2;
            } else if (s_.mid(i_, 2) == u"//") {
                const qsizetype close = s_.indexOf(u'\n', i_);
                i_ = close < 0 ? s_.size() : close + 1;
            } else {
                break;
            }
        }
    }

    std::optional<QString> quoted() {
        ++i_; // opening quote
        QString text;
        while (i_ < s_.size()) {
            const QChar c = s_[i_++];
            if (c == u'"')
                return text;
            if (c == u'\\') {
                if (i_ >= s_.size())
                    return std::nullopt;
                text += s_[i_++];
            } else {
                text += c;
            }
        }
        return std::nullopt;
    }

    QString s_;
    qsizetype i_ = 0;
};

QByteArray oidContent(const QString& dotted) {
    static const QRegularExpression shape(QStringLiteral("^[0-9]+(\\.[0-9]+)+$"));
    if (!shape.match(dotted).hasMatch())
        return {};
    ASN1_OBJECT* object = OBJ_txt2obj(dotted.toLatin1().constData(), 1);
    if (!object)
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(OBJ_get0_data(object)), int(OBJ_length(object)));
    ASN1_OBJECT_free(object);
    return bytes;
}

QString oidText(const QByteArray& content) {
    QString text;
    uint64_t value = 0;
    bool first = true;
    for (const char byte : content) {
        if (value > (uint64_t(1) << 56))
            return {};
        value = (value << 7) | (uint8_t(byte) & 0x7F);
        if (uint8_t(byte) & 0x80)
            continue;
        if (first) {
            const uint64_t top = value < 80 ? value / 40 : 2;
            text = QString::number(top) + u'.' + QString::number(value - top * 40);
            first = false;
        } else {
            text += u'.' + QString::number(value);
        }
        value = 0;
    }
    return text;
}

class Parser {
public:
    explicit Parser(QList<Token> tokens) : t_(std::move(tokens)) {}

    Node parse() {
        Node node = orExpression(0);
        if (!node || peek().kind != Token::End)
            return nullptr;
        return node;
    }

private:
    const Token& peek() const { return t_[std::min(i_, t_.size() - 1)]; }
    Token next() { return t_[std::min(i_++, t_.size() - 1)]; }
    bool isWord(const char* word) const { return peek().kind == Token::Word && peek().text == QLatin1String(word); }
    bool isPunct(const char* punct) const { return peek().kind == Token::Punct && peek().text == QLatin1String(punct); }
    bool accept(const char* word) {
        if (!isWord(word) && !isPunct(word))
            return false;
        ++i_;
        return true;
    }

    // Chains of "and" and "or" grow the tree one level per operator; bound them so that
    // evaluating and printing never recurse deeply.
    Node binary(Op op, Node left, Node right) {
        if (++operators_ > maxOperators)
            return nullptr;
        auto node = std::make_shared<RequirementNode>();
        node->op = op;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    Node orExpression(int depth) {
        Node left = andExpression(depth);
        while (left && accept("or")) {
            Node right = andExpression(depth);
            if (!right)
                return nullptr;
            left = binary(Op::Or, left, right);
            if (!left)
                return nullptr;
        }
        return left;
    }

    Node andExpression(int depth) {
        Node left = unary(depth);
        while (left && accept("and")) {
            Node right = unary(depth);
            if (!right)
                return nullptr;
            left = binary(Op::And, left, right);
            if (!left)
                return nullptr;
        }
        return left;
    }

    Node unary(int depth) {
        if (depth > maxDepth)
            return nullptr;
        if (accept("!")) {
            Node inner = unary(depth + 1);
            return inner ? binary(Op::Not, inner, nullptr) : nullptr;
        }
        return primary(depth);
    }

    std::optional<QByteArray> string() {
        const Token token = next();
        if (token.kind == Token::String || token.kind == Token::Word)
            return token.text.toUtf8();
        return std::nullopt;
    }

    std::optional<int32_t> position() {
        const Token token = next();
        if (token.kind != Token::Word)
            return std::nullopt;
        if (token.text == u"leaf")
            return 0;
        if (token.text == u"root" || token.text == u"anchor")
            return -1;
        bool ok = false;
        const int value = token.text.toInt(&ok, 10);
        return ok ? std::optional<int32_t>(value) : std::nullopt;
    }

    // A match suffix; without one the term means "exists" when `optional`.
    bool match(RequirementNode& node, bool optional) {
        if (accept("exists")) {
            node.match = MatchOp::Exists;
            return true;
        }
        if (accept("absent")) {
            node.match = MatchOp::Absent;
            return true;
        }
        static const QList<std::pair<const char*, MatchOp>> comparisons = {
            {"=", MatchOp::Equal}, {"<", MatchOp::Less}, {">", MatchOp::Greater},
            {"<=", MatchOp::LessEqual}, {">=", MatchOp::GreaterEqual}};
        for (const auto& [punct, op] : comparisons) {
            if (!accept(punct))
                continue;
            if (accept("timestamp")) {
                const Token token = next();
                const QDateTime time = QDateTime::fromString(token.text, QStringLiteral("yyyyMMddHHmmss'Z'"));
                if (token.kind != Token::String || !time.isValid())
                    return false;
                node.time = epoch2001.secsTo(QDateTime(time.date(), time.time(), Qt::UTC));
                static const QMap<MatchOp, MatchOp> dated = {
                    {MatchOp::Equal, MatchOp::On}, {MatchOp::Less, MatchOp::Before}, {MatchOp::Greater, MatchOp::After},
                    {MatchOp::LessEqual, MatchOp::OnOrBefore}, {MatchOp::GreaterEqual, MatchOp::OnOrAfter}};
                node.match = dated.value(op);
                return true;
            }
            const Token token = next();
            if (token.kind != Token::String && token.kind != Token::Word)
                return false;
            node.match = op;
            QString value = token.text;
            if (op == MatchOp::Equal && token.kind == Token::Word && value.size() > 1) {
                const bool leading = value.startsWith(u'*');
                const bool trailing = value.endsWith(u'*');
                if (leading && trailing && value.size() > 2) {
                    node.match = MatchOp::Contains;
                    value = value.mid(1, value.size() - 2);
                } else if (leading) {
                    node.match = MatchOp::EndsWith;
                    value = value.mid(1);
                } else if (trailing) {
                    node.match = MatchOp::BeginsWith;
                    value.chop(1);
                }
            }
            node.value = value.toUtf8();
            return true;
        }
        node.match = MatchOp::Exists;
        return optional;
    }

    Node primary(int depth) {
        auto node = std::make_shared<RequirementNode>();
        if (accept("(")) {
            Node inner = orExpression(depth + 1);
            return inner && accept(")") ? inner : nullptr;
        }
        if (accept("always") || accept("true")) {
            node->op = Op::True;
            return node;
        }
        if (accept("never") || accept("false")) {
            node->op = Op::False;
            return node;
        }
        if (accept("identifier")) {
            accept("=");
            node->op = Op::Ident;
            auto value = string();
            if (!value)
                return nullptr;
            node->data = *value;
            return node;
        }
        if (accept("anchor")) {
            if (accept("apple")) {
                if (accept("generic")) {
                    node->op = Op::AppleGenericAnchor;
                } else if (peek().kind == Token::Word && peek().text != u"and" && peek().text != u"or") {
                    node->op = Op::NamedAnchor;
                    node->data = next().text.toUtf8();
                } else if (peek().kind == Token::String) {
                    node->op = Op::NamedAnchor;
                    node->data = next().text.toUtf8();
                } else {
                    node->op = Op::AppleAnchor;
                }
                return node;
            }
            if (accept("trusted")) {
                node->op = Op::TrustedCerts;
                return node;
            }
            if (accept("=") && peek().kind == Token::Hash) {
                node->op = Op::AnchorHash;
                node->position = -1;
                node->data = next().bytes;
                return node;
            }
            return nullptr;
        }
        if (accept("certificate") || accept("cert")) {
            const auto at = position();
            if (!at)
                return nullptr;
            node->position = *at;
            if (accept("trusted")) {
                node->op = Op::TrustedCert;
                return node;
            }
            if (accept("=")) {
                if (peek().kind != Token::Hash)
                    return nullptr;
                node->op = Op::AnchorHash;
                node->data = next().bytes;
                return node;
            }
            if (!accept("["))
                return nullptr;
            const Token field = next();
            if (field.kind != Token::Word || !accept("]"))
                return nullptr;
            const auto prefixed = [&](const char* prefix, Op op) {
                if (!field.text.startsWith(QLatin1String(prefix)))
                    return false;
                node->op = op;
                node->data = oidContent(field.text.mid(qsizetype(strlen(prefix))));
                return true;
            };
            if (prefixed("field.", Op::CertGeneric) || prefixed("policy.", Op::CertPolicy)
                || prefixed("timestamp.", Op::CertFieldDate)) {
                if (node->data.isEmpty())
                    return nullptr;
            } else if (field.text.startsWith(u"subject.") || field.text.startsWith(u"issuer.")) {
                node->op = Op::CertField;
                node->data = field.text.toUtf8();
            } else {
                return nullptr;
            }
            return match(*node, true) ? node : nullptr;
        }
        if (accept("info") || (isWord("entitlement") && (node->op = Op::EntitlementField, accept("entitlement")))) {
            if (node->op != Op::EntitlementField)
                node->op = Op::InfoKeyField;
            if (!accept("["))
                return nullptr;
            auto key = string();
            if (!key || !accept("]"))
                return nullptr;
            node->data = *key;
            return match(*node, false) ? node : nullptr;
        }
        if (accept("cdhash")) {
            accept("=");
            if (peek().kind != Token::Hash)
                return nullptr;
            node->op = Op::CDHash;
            node->data = next().bytes;
            return node;
        }
        if (accept("platform")) {
            bool ok = false;
            if (!accept("="))
                return nullptr;
            node->op = Op::Platform;
            node->number = next().text.toInt(&ok, 10);
            return ok ? node : nullptr;
        }
        if (accept("notarized")) {
            node->op = Op::Notarized;
            return node;
        }
        if (accept("legacy")) {
            node->op = Op::LegacyDevID;
            return node;
        }
        return nullptr;
    }

    static constexpr int maxOperators = 1024;
    QList<Token> t_;
    qsizetype i_ = 0;
    int operators_ = 0;
};

// ---------- evaluation ----------

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
    const bool exists = value && value->isValid()
        && !(value->typeId() == QMetaType::Bool && !value->toBool());
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
        const int64_t seconds = epoch2001.secsTo(value->toDateTime());
        switch (node.match) {
        case MatchOp::On: return seconds == node.time;
        case MatchOp::Before: return seconds < node.time;
        case MatchOp::After: return seconds > node.time;
        case MatchOp::OnOrBefore: return seconds <= node.time;
        case MatchOp::OnOrAfter: return seconds >= node.time;
        default: return false;
        }
    }
    if (value->typeId() == QMetaType::QString || value->typeId() == QMetaType::LongLong
        || value->typeId() == QMetaType::Double || value->typeId() == QMetaType::Bool)
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
    static const QMap<QByteArray, int> nids = {
        {"CN", NID_commonName}, {"C", NID_countryName}, {"D", NID_description}, {"L", NID_localityName},
        {"O", NID_organizationName}, {"OU", NID_organizationalUnitName}, {"STREET", NID_streetAddress},
        {"ST", NID_stateOrProvinceName}, {"UID", NID_userId}, {"email", NID_pkcs9_emailAddress}};
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
    const QString dotted = oidText(content);
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
    auto* policies = static_cast<CERTIFICATEPOLICIES*>(X509_get_ext_d2i(certificate, NID_certificate_policies, nullptr, nullptr));
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
        const bool present = node.op == Op::CertPolicy ? hasPolicy(certificate, node.data)
                                                       : hasExtension(certificate, node.data);
        if (node.match == MatchOp::Exists)
            return present;
        if (node.match == MatchOp::Absent)
            return !present;
        return false; // value comparisons of extensions are not needed by any requirement we meet
    }
    case Op::TrustedCert: {
        X509* certificate = certificateAt(context, node.position);
        return certificate && !context.chain.isEmpty() && anchoredGeneric(context) && isTrustedRoot(context, certificate);
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

// ---------- text output ----------

QString quotedText(const QByteArray& bytes) {
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
        return QStringLiteral(" timestamp \"%1\"").arg(epoch2001.addSecs(node.time).toString(QStringLiteral("yyyyMMddHHmmss'Z'")));
    };
    switch (node.match) {
    case MatchOp::Exists: return QStringLiteral(" exists");
    case MatchOp::Absent: return QStringLiteral(" absent");
    case MatchOp::Equal: return QStringLiteral(" = ") + quotedText(node.value);
    case MatchOp::Contains: return QStringLiteral(" = *") + value + u'*';
    case MatchOp::BeginsWith: return QStringLiteral(" = ") + value + u'*';
    case MatchOp::EndsWith: return QStringLiteral(" = *") + value;
    case MatchOp::Less: return QStringLiteral(" < ") + quotedText(node.value);
    case MatchOp::Greater: return QStringLiteral(" > ") + quotedText(node.value);
    case MatchOp::LessEqual: return QStringLiteral(" <= ") + quotedText(node.value);
    case MatchOp::GreaterEqual: return QStringLiteral(" >= ") + quotedText(node.value);
    case MatchOp::On: return QStringLiteral(" =") + date();
    case MatchOp::Before: return QStringLiteral(" <") + date();
    case MatchOp::After: return QStringLiteral(" >") + date();
    case MatchOp::OnOrBefore: return QStringLiteral(" <=") + date();
    case MatchOp::OnOrAfter: return QStringLiteral(" >=") + date();
    }
    return {};
}

QString text(const RequirementNode& node) {
    const auto child = [](const RequirementNode& inner, Op parent) {
        const bool wrap = (parent == Op::And && inner.op == Op::Or) || (parent == Op::Not && (inner.op == Op::And || inner.op == Op::Or));
        return wrap ? u'(' + text(inner) + u')' : text(inner);
    };
    switch (node.op) {
    case Op::False: return QStringLiteral("never");
    case Op::True: return QStringLiteral("always");
    case Op::Unknown: return QStringLiteral("never");
    case Op::Ident: return QStringLiteral("identifier ") + quotedText(node.data);
    case Op::AppleAnchor: return QStringLiteral("anchor apple");
    case Op::AppleGenericAnchor: return QStringLiteral("anchor apple generic");
    case Op::AnchorHash:
        return QStringLiteral("certificate %1 = H\"%2\"").arg(positionText(node.position), QString::fromLatin1(node.data.toHex()));
    case Op::InfoKeyValue:
    case Op::InfoKeyField: return QStringLiteral("info[") + QString::fromUtf8(node.data) + u']' + matchText(node);
    case Op::EntitlementField: return QStringLiteral("entitlement[") + QString::fromUtf8(node.data) + u']' + matchText(node);
    case Op::And: return child(*node.left, Op::And) + QStringLiteral(" and ") + child(*node.right, Op::And);
    case Op::Or: return child(*node.left, Op::Or) + QStringLiteral(" or ") + child(*node.right, Op::Or);
    case Op::Not: return QStringLiteral("! ") + child(*node.left, Op::Not);
    case Op::CDHash: return QStringLiteral("cdhash H\"") + QString::fromLatin1(node.data.toHex()) + u'"';
    case Op::CertField:
        return QStringLiteral("certificate ") + positionText(node.position) + u'[' + QString::fromUtf8(node.data) + u']' + matchText(node);
    case Op::CertGeneric:
    case Op::CertPolicy:
    case Op::CertFieldDate: {
        const QString prefix = node.op == Op::CertGeneric ? QStringLiteral("field.")
            : node.op == Op::CertPolicy ? QStringLiteral("policy.") : QStringLiteral("timestamp.");
        return QStringLiteral("certificate ") + positionText(node.position) + u'[' + prefix + oidText(node.data) + u']' + matchText(node);
    }
    case Op::TrustedCert: return QStringLiteral("certificate ") + positionText(node.position) + QStringLiteral(" trusted");
    case Op::TrustedCerts: return QStringLiteral("anchor trusted");
    case Op::NamedAnchor: return QStringLiteral("anchor apple ") + quotedText(node.data);
    case Op::NamedCode: return u'(' + quotedText(node.data) + u')';
    case Op::Platform: return QStringLiteral("platform = ") + QString::number(node.number);
    case Op::Notarized: return QStringLiteral("notarized");
    case Op::LegacyDevID: return QStringLiteral("legacy");
    }
    return {};
}

} // namespace

std::optional<Requirement> Requirement::parse(const QString& source) {
    auto tokens = Lexer(source).tokens();
    if (!tokens)
        return std::nullopt;
    Node root = Parser(std::move(*tokens)).parse();
    if (!root)
        return std::nullopt;
    Requirement requirement;
    requirement.root_ = std::move(root);
    return requirement;
}

std::optional<Requirement> Requirement::fromBlob(QByteArrayView blob) {
    const ByteReader r(blob);
    if (r.be32(0) != magic || r.be32(4) != uint32_t(blob.size()) || r.be32(8) != 1)
        return std::nullopt;
    BinaryReader reader(blob.sliced(12));
    Node root = reader.expression(0);
    if (!root || !reader.atEnd())
        return std::nullopt;
    Requirement requirement;
    requirement.root_ = std::move(root);
    return requirement;
}

std::optional<Requirement> Requirement::fromSet(QByteArrayView set, uint32_t type, bool* malformed) {
    const auto fail = [&] {
        if (malformed)
            *malformed = true;
        return std::nullopt;
    };
    if (malformed)
        *malformed = false;
    const ByteReader r(set);
    const auto count = r.be32(8);
    if (r.be32(0) != 0xFADE0C01 || r.be32(4) != uint32_t(set.size()) || !count || qint64(*count) * 8 > set.size() - 12)
        return fail();
    for (uint32_t i = 0; i < *count; ++i) {
        const uint32_t entryType = *r.be32(12 + qint64(i) * 8);
        const uint32_t offset = *r.be32(16 + qint64(i) * 8);
        if (entryType != type)
            continue;
        const auto length = r.be32(qint64(offset) + 4);
        if (!length || !r.contains(offset, *length))
            return fail();
        auto requirement = fromBlob(*r.slice(offset, *length));
        if (!requirement)
            return fail();
        return requirement;
    }
    return std::nullopt;
}

std::optional<Requirement> Requirement::teamDesignated(const QString& identifier, const QString& team) {
    if (team.isEmpty())
        return std::nullopt;
    return parse(QStringLiteral("identifier ") + quotedText(identifier.toUtf8())
                 + QStringLiteral(" and anchor apple generic and certificate leaf[subject.OU] = ") + quotedText(team.toUtf8()));
}

std::optional<Requirement> Requirement::implicitDesignated(const QString& identifier,
                                                           const QList<Anchors::Certificate>& chain,
                                                           const QList<QByteArray>& cdhashes) {
    const QString ident = QStringLiteral("identifier ") + quotedText(identifier.toUtf8());
    if (chain.isEmpty()) {
        QStringList hashes;
        for (const QByteArray& hash : cdhashes)
            hashes.append(QStringLiteral("cdhash H\"") + QString::fromLatin1(hash.toHex()) + u'"');
        return hashes.isEmpty() ? std::nullopt : parse(hashes.join(QStringLiteral(" or ")));
    }
    const auto marked = [](const Anchors::Certificate& certificate, const char* oid) {
        return hasExtension(certificate.get(), oidContent(QLatin1String(oid)));
    };
    if (chain.size() == 3 && marked(chain[1], "1.2.840.113635.100.6.2.6")) {
        const QStringList units = subjectValues(chain[0].get(), "subject.OU");
        if (units.size() != 1)
            return std::nullopt;
        return parse(ident + QStringLiteral(" and anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] exists"
                                            " and certificate leaf[field.1.2.840.113635.100.6.1.13] exists"
                                            " and certificate leaf[subject.OU] = ")
                     + quotedText(units.first().toUtf8()));
    }
    if (chain.size() == 3 && marked(chain[1], "1.2.840.113635.100.6.2.1")) {
        const QStringList names = subjectValues(chain[0].get(), "subject.CN");
        if (names.size() != 1)
            return std::nullopt;
        return parse(ident + QStringLiteral(" and anchor apple generic and certificate leaf[subject.CN] = ")
                     + quotedText(names.first().toUtf8())
                     + QStringLiteral(" and certificate 1[field.1.2.840.113635.100.6.2.1] exists"));
    }
    return parse(ident + QStringLiteral(" and anchor apple"));
}

bool Requirement::evaluate(const Context& context) const {
    return root_ && ::evaluate(*root_, context);
}

QString Requirement::text() const {
    return root_ ? ::text(*root_) : QString();
}
