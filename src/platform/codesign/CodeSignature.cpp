#include "platform/codesign/CodeSignature.h"

#include "platform/codesign/CmsSignature.h"
#include "platform/codesign/CodeHash.h"
#include "platform/codesign/EmbeddedSignature.h"
#include "platform/codesign/MachO.h"
#include "platform/codesign/NotarizationTicket.h"
#include "platform/codesign/ResourceSeal.h"
#include "platform/codesign/SignatureStatus.h"
#include "platform/files/Sys.h"
#include "platform/system/PropertyList.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/x509.h>

#include <fcntl.h>

namespace {

constexpr int maxNesting = 8;
constexpr qint64 maxSeal = 64 * 1024 * 1024;

#if defined(__aarch64__)
constexpr uint32_t hostCpu = MachO::cpuArm64;
#else
constexpr uint32_t hostCpu = MachO::cpuX86_64;
#endif

struct SliceOutcome {
    EmbeddedSignature signature;
    QList<Anchors::Certificate> chain;
};

QStringList subjectUnits(X509* certificate, int nid) {
    QStringList values;
    X509_NAME* name = X509_get_subject_name(certificate);
    for (int i = X509_NAME_get_index_by_NID(name, nid, -1); i >= 0; i = X509_NAME_get_index_by_NID(name, nid, i)) {
        unsigned char* utf8 = nullptr;
        const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, i)));
        if (length >= 0)
            values.append(QString::fromUtf8(reinterpret_cast<const char*>(utf8), length));
        OPENSSL_free(utf8);
    }
    return values;
}

bool looksLikeMachO(QIODevice& file) {
    const auto head = MachO::readAt(file, 0, 4);
    if (!head)
        return false;
    static const QList<QByteArray> magics = {QByteArray::fromHex("feedface"), QByteArray::fromHex("feedfacf"),
                                             QByteArray::fromHex("cefaedfe"), QByteArray::fromHex("cffaedfe"),
                                             QByteArray::fromHex("cafebabe"), QByteArray::fromHex("cafebabf")};
    return magics.contains(*head);
}

// Page hashes of one code directory against the slice's bytes, read page by page.
bool pagesMatch(QIODevice& file, const MachO::Slice& slice, const CodeDirectory& cd) {
    if (!slice.signatureOffset || cd.codeLimit != uint64_t(*slice.signatureOffset))
        return false;
    const qint64 limit = qint64(cd.codeLimit);
    const qint64 page = cd.pageSizeLog2 == 0 ? std::max<qint64>(limit, 1) : qint64(1) << cd.pageSizeLog2;
    const qint64 slots = (limit + page - 1) / page;
    if (slots != qint64(cd.codeSlots))
        return false;
    for (qint64 i = 0; i < slots; ++i) {
        const qint64 start = i * page;
        const qint64 length = std::min(page, limit - start);
        const qint64 chunk = 1024 * 1024;
        CodeHash hash(cd.hashType);
        for (qint64 at = 0; at < length; at += chunk) {
            const auto bytes = MachO::readAt(file, slice.offset + start + at, std::min(chunk, length - at));
            if (!bytes)
                return false;
            hash.add(*bytes);
        }
        if (hash.result() != cd.codeSlot(uint32_t(i)))
            return false;
    }
    return true;
}

// A special slot and the thing it seals must agree: both absent, or both present and matching.
bool slotMatches(const CodeDirectory& cd, uint32_t slot, const std::optional<QByteArray>& sealed) {
    if (!sealed)
        return !cd.hasSpecialSlot(slot);
    return cd.hasSpecialSlot(slot) && CodeHash::of(cd.hashType, *sealed) == cd.specialSlot(slot);
}

// The cdhash list attribute must name every code directory, in slot order.
bool cdhashListMatches(const std::optional<QByteArray>& list, const QList<CodeDirectory>& directories) {
    if (!list)
        return directories.size() == 1;
    const auto plist = PropertyList::fromBytes(*list);
    if (!plist)
        return false;
    const QVariantList hashes = plist->toMap().value(QStringLiteral("cdhashes")).toList();
    if (hashes.size() != directories.size())
        return false;
    for (qsizetype i = 0; i < hashes.size(); ++i) {
        if (hashes[i].toByteArray() != directories[i].cdhash20())
            return false;
    }
    return true;
}

} // namespace

struct CodeSignature::Outcome {
    int status = SignatureStatus::Ok;
    QList<SliceOutcome> slices;
};

std::optional<CodeSignature> CodeSignature::create(const QString& path, std::shared_ptr<const Anchors> anchors) {
    auto bundle = CodeBundle::at(path);
    if (!bundle)
        return std::nullopt;
    CodeSignature code;
    code.bundle_ = std::move(*bundle);
    code.anchors_ = anchors ? std::move(anchors) : std::make_shared<const Anchors>();
    return code;
}

namespace {

// The embedded signature of every slice of the code's main executable, read but not checked.
std::optional<QList<EmbeddedSignature>> storedSignatures(const CodeBundle& bundle) {
    const QString executable = bundle.isBundle ? bundle.executablePath.value_or(QString()) : bundle.path;
    if (executable.isEmpty())
        return std::nullopt;
    QFile file(executable);
    // Unbuffered: the header and the signature are read where they lie, nothing around them.
    if (!QFileInfo(executable).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    const auto slices = MachO::slices(file);
    if (!slices)
        return std::nullopt;
    QList<EmbeddedSignature> signatures;
    for (const MachO::Slice& slice : *slices) {
        const auto bytes = MachO::signatureBytes(file, slice);
        if (!bytes)
            return std::nullopt;
        auto signature = EmbeddedSignature::parse(*bytes);
        if (!signature)
            return std::nullopt;
        signatures.append(std::move(*signature));
    }
    if (signatures.isEmpty())
        return std::nullopt;
    return signatures;
}

} // namespace

std::optional<QString> CodeSignature::teamIdentifier(const QString& path) {
    const auto bundle = CodeBundle::at(path);
    if (!bundle)
        return std::nullopt;
    return teamIdentifier(*bundle);
}

std::optional<QString> CodeSignature::teamIdentifier(const CodeBundle& bundle) {
    const QString executable = bundle.isBundle ? bundle.executablePath.value_or(QString()) : bundle.path;
    if (executable.isEmpty())
        return std::nullopt;
    // Looked at before it is opened: opening a device or a pipe could wait or act.
    const QByteArray name = QFile::encodeName(executable);
    struct stat info {};
    if (Sys::stat(name, info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    auto file = FileReader::of(Sys::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    return file ? teamIdentifier(*file) : std::nullopt;
}

std::optional<QString> CodeSignature::teamIdentifier(FileReader& executable) {
    const auto slices = MachO::slices(executable);
    if (!slices || slices->isEmpty())
        return std::nullopt;
    std::optional<QString> team;
    for (const MachO::Slice& slice : *slices) {
        if (!slice.signatureOffset)
            return std::nullopt;
        const auto primary = EmbeddedSignature::primaryDirectory(executable, slice.offset + *slice.signatureOffset,
                                                                 std::min(slice.signatureSize, MachO::maxSignature));
        if (!primary || !primary->teamIdentifier)
            return std::nullopt;
        if (team && *team != *primary->teamIdentifier)
            return std::nullopt;
        team = primary->teamIdentifier;
    }
    if (team && team->isEmpty())
        return std::nullopt;
    return team;
}

CodeSignature::Outcome CodeSignature::check(uint32_t flags, int depth) const {
    Outcome outcome;
    const auto fail = [&](int status) {
        outcome.status = status;
        outcome.slices.clear();
        return outcome;
    };
    QString executable = bundle_.path;
    if (bundle_.isBundle) {
        if (!bundle_.info)
            return fail(SignatureStatus::BadBundleFormat);
        if (!bundle_.executablePath)
            return fail(SignatureStatus::NoMainExecutable);
        executable = *bundle_.executablePath;
    }
    QFile file(executable);
    // Unbuffered: the header and the signature are read where they lie, nothing around them.
    if (!QFileInfo(executable).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(SignatureStatus::StaticCodeNotFound);
    const auto slices = MachO::slices(file);
    if (!slices)
        return fail(looksLikeMachO(file) ? SignatureStatus::BadObjectFormat : SignatureStatus::Unsigned);

    QList<MachO::Slice> checked;
    for (const MachO::Slice& slice : *slices) {
        if ((flags & CheckAllArchitectures) || slices->size() == 1 || slice.cpuType == hostCpu)
            checked.append(slice);
    }
    if (checked.isEmpty())
        checked.append(slices->first());

    std::optional<QByteArray> seal;
    if (bundle_.isBundle) {
        QFile sealFile(bundle_.resourcesPath);
        if (QFileInfo(bundle_.resourcesPath).isFile() && sealFile.open(QIODevice::ReadOnly) &&
            sealFile.size() <= maxSeal)
            seal = sealFile.readAll();
    }

    for (const MachO::Slice& slice : checked) {
        if (!slice.signatureOffset)
            return fail(SignatureStatus::Unsigned);
        const auto bytes = MachO::signatureBytes(file, slice);
        if (!bytes)
            return fail(SignatureStatus::BadObjectFormat);
        auto signature = EmbeddedSignature::parse(*bytes);
        if (!signature)
            return fail(SignatureStatus::SignatureInvalid);
        const CodeDirectory& primary = signature->primary();
        for (const CodeDirectory& cd : signature->codeDirectories) {
            if (cd.identifier != primary.identifier || cd.teamIdentifier != primary.teamIdentifier ||
                cd.flags != primary.flags)
                return fail(SignatureStatus::SignatureInvalid);
            if (!pagesMatch(file, slice, cd))
                return fail(SignatureStatus::SignatureInvalid);
            const auto blob = [&](uint32_t slot) -> std::optional<QByteArray> {
                if (signature->blobs.contains(slot))
                    return signature->blobs.value(slot);
                return std::nullopt;
            };
            if (!slotMatches(cd, EmbeddedSignature::slotRequirements, signature->requirements) ||
                !slotMatches(cd, EmbeddedSignature::slotEntitlements, blob(EmbeddedSignature::slotEntitlements)) ||
                !slotMatches(cd, 7, blob(7)))
                return fail(SignatureStatus::SignatureInvalid);
            if (bundle_.isBundle) {
                if (!slotMatches(cd, 1, bundle_.infoPlistBytes))
                    return fail(SignatureStatus::InfoPlistFailed);
                if (!seal && !cd.hasSpecialSlot(3))
                    return fail(SignatureStatus::ResourcesNotSealed);
                if (!slotMatches(cd, 3, seal))
                    return fail(SignatureStatus::ResourceDirectoryFailed);
            }
        }

        SliceOutcome sliceOutcome;
        if (primary.flags & CodeDirectory::flagAdhoc) {
            // Ad-hoc code has no signer, so it can not claim a team.
            if (!signature->cms.isEmpty() || primary.teamIdentifier)
                return fail(SignatureStatus::SignatureInvalid);
        } else {
            if (signature->cms.isEmpty())
                return fail(SignatureStatus::Unsigned);
            const CmsSignature cms = CmsSignature::verify(signature->cms, primary.bytes, *anchors_);
            if (cms.status == SignatureStatus::SignatureFailed)
                return fail(SignatureStatus::SignatureFailed);
            if (!cdhashListMatches(cms.cdhashList, signature->codeDirectories))
                return fail(SignatureStatus::SignatureFailed);
            if (cms.status != SignatureStatus::Ok)
                return fail(cms.status);
            // The team a signature names is the one its certificate was issued to.
            if (primary.teamIdentifier && subjectUnits(cms.chain.first().get(), NID_organizationalUnitName) !=
                                              QStringList{*primary.teamIdentifier})
                return fail(SignatureStatus::SignatureInvalid);
            sliceOutcome.chain = cms.chain;
        }
        if (!outcome.slices.isEmpty() && outcome.slices.first().signature.primary().identifier != primary.identifier)
            return fail(SignatureStatus::SignatureInvalid);
        sliceOutcome.signature = std::move(*signature);
        outcome.slices.append(std::move(sliceOutcome));
    }

    if (bundle_.isBundle && seal) {
        const auto nested = [&](const QString& path, const QByteArray& cdhash, const QString& requirementText) {
            if (depth >= maxNesting)
                return int(SignatureStatus::BadNestedCode);
            const auto inner = CodeSignature::create(path, anchors_);
            if (!inner)
                return int(SignatureStatus::StaticCodeNotFound);
            const Outcome innerOutcome = inner->check(flags | CheckAllArchitectures, depth + 1);
            if (innerOutcome.status != SignatureStatus::Ok)
                return innerOutcome.status;
            bool pinned = false;
            for (const SliceOutcome& slice : innerOutcome.slices)
                pinned = pinned || slice.signature.primary().cdhash20() == cdhash;
            if (!pinned)
                return int(SignatureStatus::BadNestedCode);
            if (!requirementText.isEmpty()) {
                const auto requirement = Requirement::parse(requirementText);
                if (!requirement ||
                    inner->checkValidity(flags | CheckAllArchitectures, &*requirement) != SignatureStatus::Ok)
                    return int(SignatureStatus::BadNestedCode);
            }
            return int(SignatureStatus::Ok);
        };
        const int status = ResourceSeal::verify(bundle_, *seal, flags & StrictValidate, nested);
        if (status != SignatureStatus::Ok)
            return fail(status);
    }
    return outcome;
}

int CodeSignature::checkValidity(uint32_t flags, const Requirement* requirement) const {
    const Outcome outcome = check(flags, 0);
    if (outcome.status != SignatureStatus::Ok || !requirement)
        return outcome.status;
    const auto info = informationFrom(outcome);
    if (!info)
        return SignatureStatus::SignatureInvalid;
    for (const SliceOutcome& slice : outcome.slices) {
        Requirement::Context context;
        context.identifier = slice.signature.primary().identifier;
        context.cdhashes = {slice.signature.primary().cdhash20()};
        context.chain = slice.chain;
        context.trustedRoots = anchors_->roots;
        context.info = bundle_.info;
        context.notarized = info->notarized;
        context.platform = slice.signature.primary().platform;
        if (const auto entitlements = slice.signature.blobs.value(EmbeddedSignature::slotEntitlements);
            entitlements.size() > 8) {
            const auto plist = PropertyList::fromBytes(entitlements.mid(8));
            if (plist && plist->typeId() == QMetaType::QVariantMap)
                context.entitlements = plist->toMap();
        }
        if (!requirement->evaluate(context))
            return SignatureStatus::RequirementFailed;
    }
    return SignatureStatus::Ok;
}

std::optional<CodeSignature::Information> CodeSignature::information(uint32_t flags) const {
    return informationFrom(check(flags, 0));
}

std::optional<CodeSignature::Information> CodeSignature::informationFrom(const Outcome& outcome) const {
    if (outcome.status != SignatureStatus::Ok || outcome.slices.isEmpty())
        return std::nullopt;
    Information info;
    const SliceOutcome& first = outcome.slices.first();
    info.identifier = first.signature.primary().identifier;
    info.teamIdentifier = first.signature.primary().teamIdentifier;
    info.adhoc = first.signature.primary().flags & CodeDirectory::flagAdhoc;
    info.chain = first.chain;
    if (!info.chain.isEmpty()) {
        const QStringList names = subjectUnits(info.chain.first().get(), NID_commonName);
        info.leafCommonName = names.value(0);
    }
    for (const SliceOutcome& slice : outcome.slices) {
        if (slice.signature.primary().teamIdentifier != info.teamIdentifier)
            info.teamIdentifier.reset();
        info.cdhashes.append(slice.signature.primary().cdhash20());
    }
    // The ticket must name the primary code directory of every slice.
    QList<std::pair<int, QByteArray>> primaries;
    for (const SliceOutcome& slice : outcome.slices)
        primaries.append({slice.signature.primary().hashType, slice.signature.primary().cdhash20()});
    info.notarized =
        bundle_.isBundle && !info.adhoc && NotarizationTicket::covers(bundle_.ticketPath, primaries, *anchors_);
    return info;
}

std::optional<Requirement> CodeSignature::designatedRequirement() const {
    const auto signatures = storedSignatures(bundle_);
    if (!signatures)
        return std::nullopt;
    const EmbeddedSignature& first = signatures->first();
    const CodeDirectory& primary = first.primary();
    // Whatever else can't be read, the team the signature records still names the developer.
    const auto byTeam = [&]() -> std::optional<Requirement> {
        const auto team = CodeSignature::teamIdentifier(bundle_.path);
        return team ? Requirement::teamDesignated(primary.identifier, *team) : std::nullopt;
    };
    if (const auto& set = first.requirements) {
        bool malformed = false;
        auto stored = Requirement::fromSet(*set, Requirement::designatedType, &malformed);
        if (malformed)
            return byTeam();
        if (stored)
            return stored;
    }
    QList<QByteArray> cdhashes;
    for (const EmbeddedSignature& signature : *signatures)
        cdhashes.append(signature.primary().cdhash20());
    QList<Anchors::Certificate> chain;
    if (!(primary.flags & CodeDirectory::flagAdhoc)) {
        chain = CmsSignature::signerChain(first.cms, *anchors_);
        if (chain.isEmpty())
            return byTeam();
    }
    return Requirement::implicitDesignated(primary.identifier, chain, cdhashes);
}
