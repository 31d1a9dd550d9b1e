#include "platform/codesign/RequirementParser.h"

#include "platform/codesign/Oid.h"

#include <QList>
#include <QMap>
#include <QRegularExpression>

#include <optional>

namespace {

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
                if (!text || text->size() % 2 ||
                    !QRegularExpression(QStringLiteral("^[0-9A-Fa-f]*$")).match(*text).hasMatch())
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
        return c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'-' || c == u'/' || c == u'*' || c == u'+' ||
               c == u':' || c == u'@' || c == u'$';
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
        if (depth > RequirementLimits::maxDepth)
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
        static const QList<std::pair<const char*, MatchOp>> comparisons = {{"=", MatchOp::Equal},
                                                                           {"<", MatchOp::Less},
                                                                           {">", MatchOp::Greater},
                                                                           {"<=", MatchOp::LessEqual},
                                                                           {">=", MatchOp::GreaterEqual}};
        for (const auto& [punct, op] : comparisons) {
            if (!accept(punct))
                continue;
            if (accept("timestamp")) {
                const Token token = next();
                const QDateTime time = QDateTime::fromString(token.text, QStringLiteral("yyyyMMddHHmmss'Z'"));
                if (token.kind != Token::String || !time.isValid())
                    return false;
                node.time = requirementEpoch.secsTo(QDateTime(time.date(), time.time(), Qt::UTC));
                static const QMap<MatchOp, MatchOp> dated = {{MatchOp::Equal, MatchOp::On},
                                                             {MatchOp::Less, MatchOp::Before},
                                                             {MatchOp::Greater, MatchOp::After},
                                                             {MatchOp::LessEqual, MatchOp::OnOrBefore},
                                                             {MatchOp::GreaterEqual, MatchOp::OnOrAfter}};
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
                node->data = Oid::content(field.text.mid(qsizetype(strlen(prefix))));
                return true;
            };
            if (prefixed("field.", Op::CertGeneric) || prefixed("policy.", Op::CertPolicy) ||
                prefixed("timestamp.", Op::CertFieldDate)) {
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

} // namespace

namespace RequirementParser {

Node parse(const QString& text) {
    auto tokens = Lexer(text).tokens();
    if (!tokens)
        return nullptr;
    return Parser(std::move(*tokens)).parse();
}

} // namespace RequirementParser
