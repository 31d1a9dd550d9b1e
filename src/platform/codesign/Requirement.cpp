#include "platform/codesign/Requirement.h"

#include "platform/codesign/ByteReader.h"
#include "platform/codesign/Oid.h"
#include "platform/codesign/RequirementEvaluator.h"
#include "platform/codesign/RequirementParser.h"
#include "platform/codesign/RequirementReader.h"
#include "platform/codesign/RequirementText.h"

std::optional<Requirement> Requirement::parse(const QString& source) {
    auto root = RequirementParser::parse(source);
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
    auto root = RequirementReader::read(blob.sliced(12));
    if (!root)
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
    return parse(QStringLiteral("identifier ") + RequirementText::quoted(identifier.toUtf8()) +
                 QStringLiteral(" and anchor apple generic and certificate leaf[subject.OU] = ") +
                 RequirementText::quoted(team.toUtf8()));
}

std::optional<Requirement> Requirement::implicitDesignated(const QString& identifier,
                                                           const QList<Anchors::Certificate>& chain,
                                                           const QList<QByteArray>& cdhashes) {
    const QString ident = QStringLiteral("identifier ") + RequirementText::quoted(identifier.toUtf8());
    if (chain.isEmpty()) {
        QStringList hashes;
        for (const QByteArray& hash : cdhashes)
            hashes.append(QStringLiteral("cdhash H\"") + QString::fromLatin1(hash.toHex()) + u'"');
        return hashes.isEmpty() ? std::nullopt : parse(hashes.join(QStringLiteral(" or ")));
    }
    const auto marked = [](const Anchors::Certificate& certificate, const char* oid) {
        return RequirementEvaluator::hasExtension(certificate.get(), Oid::content(QLatin1String(oid)));
    };
    if (chain.size() == 3 && marked(chain[1], "1.2.840.113635.100.6.2.6")) {
        const QStringList units = RequirementEvaluator::subjectValues(chain[0].get(), "subject.OU");
        if (units.size() != 1)
            return std::nullopt;
        return parse(ident +
                     QStringLiteral(" and anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] exists"
                                    " and certificate leaf[field.1.2.840.113635.100.6.1.13] exists"
                                    " and certificate leaf[subject.OU] = ") +
                     RequirementText::quoted(units.first().toUtf8()));
    }
    if (chain.size() == 3 && marked(chain[1], "1.2.840.113635.100.6.2.1")) {
        const QStringList names = RequirementEvaluator::subjectValues(chain[0].get(), "subject.CN");
        if (names.size() != 1)
            return std::nullopt;
        return parse(ident + QStringLiteral(" and anchor apple generic and certificate leaf[subject.CN] = ") +
                     RequirementText::quoted(names.first().toUtf8()) +
                     QStringLiteral(" and certificate 1[field.1.2.840.113635.100.6.2.1] exists"));
    }
    return parse(ident + QStringLiteral(" and anchor apple"));
}

bool Requirement::evaluate(const Context& context) const {
    return root_ && RequirementEvaluator::evaluate(*root_, context);
}

QString Requirement::text() const { return root_ ? RequirementText::text(*root_) : QString(); }
