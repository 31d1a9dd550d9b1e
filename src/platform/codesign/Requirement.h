#pragma once

#include "platform/codesign/Anchors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

struct RequirementNode;

// A code requirement: a side-effect-free Boolean expression over a signature, read from its
// text form or from the binary expression form stored in a signature's requirement set.
class Requirement {
public:
    // What a requirement is evaluated against; built only from a signature that verified.
    struct Context {
        QString identifier;
        QList<QByteArray> cdhashes;        // 20 bytes each
        QList<Anchors::Certificate> chain; // leaf first, ending at the trusted root; empty when ad-hoc
        QList<Anchors::Certificate> trustedRoots;
        std::optional<QVariantMap> info;
        std::optional<QVariantMap> entitlements;
        bool notarized = false;
        int platform = 0;
    };

    static constexpr uint32_t magic = 0xFADE0C00;
    static constexpr uint32_t designatedType = 3;

    // Nothing when the text does not parse.
    static std::optional<Requirement> parse(const QString& text);
    // A 0xFADE0C00 blob of the expression form; nothing when malformed or of another form.
    static std::optional<Requirement> fromBlob(QByteArrayView blob);
    // The requirement of `type` in a requirement-set blob (0xFADE0C01): nothing when absent;
    // `malformed` is set when the set or that entry does not read.
    static std::optional<Requirement> fromSet(QByteArrayView set, uint32_t type, bool* malformed = nullptr);

    // The platform's implicit designated requirement for code with this identifier and chain.
    static std::optional<Requirement> implicitDesignated(const QString& identifier,
                                                         const QList<Anchors::Certificate>& chain,
                                                         const QList<QByteArray>& cdhashes);
    // The developer of code signed for `team`, when its chain can no longer be checked: code
    // with this identifier, anchored at the vendor, whose leaf certificate was issued to `team`.
    static std::optional<Requirement> teamDesignated(const QString& identifier, const QString& team);

    bool evaluate(const Context& context) const;
    QString text() const;

private:
    std::shared_ptr<const RequirementNode> root_;
};
