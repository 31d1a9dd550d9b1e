#include "platform/codesign/RequirementReader.h"

#include "platform/codesign/ByteReader.h"

#include <optional>

namespace {

constexpr uint32_t opFlagMask = 0xFF000000;
constexpr uint32_t opGenericFalse = 0x80000000;
constexpr uint32_t opGenericSkip = 0x40000000;

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
        if (depth > RequirementLimits::maxDepth)
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
        case Op::False:
        case Op::True:
        case Op::AppleAnchor:
        case Op::TrustedCerts:
        case Op::AppleGenericAnchor:
        case Op::Notarized:
        case Op::LegacyDevID:
            break;
        case Op::Ident:
        case Op::CDHash:
        case Op::NamedAnchor:
        case Op::NamedCode:
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
        case Op::And:
        case Op::Or:
            node->left = expression(depth + 1);
            node->right = node->left ? expression(depth + 1) : nullptr;
            ok = node->left && node->right;
            break;
        case Op::Not:
            node->left = expression(depth + 1);
            ok = node->left != nullptr;
            break;
        case Op::InfoKeyField:
        case Op::EntitlementField:
            take(node->data);
            ok = ok && match(*node);
            break;
        case Op::CertField:
        case Op::CertGeneric:
        case Op::CertPolicy:
        case Op::CertFieldDate:
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

} // namespace

namespace RequirementReader {

Node read(QByteArrayView program) {
    BinaryReader reader(program);
    Node root = reader.expression(0);
    return root && reader.atEnd() ? root : nullptr;
}

} // namespace RequirementReader
