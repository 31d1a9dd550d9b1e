#include "platform/CodeSignature.h"

#include "platform/CodeBundle.h"
#include "platform/EmbeddedSignature.h"
#include "platform/MachO.h"

#include <QFile>

std::optional<QString> CodeSignature::teamIdentifier(const QString& path) {
    const auto bundle = CodeBundle::at(path);
    if (!bundle)
        return std::nullopt;
    const QString executable = bundle->isBundle ? bundle->executablePath.value_or(QString()) : bundle->path;
    if (executable.isEmpty())
        return std::nullopt;
    QFile file(executable);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto slices = MachO::slices(file);
    if (!slices)
        return std::nullopt;
    std::optional<QString> team;
    for (const MachO::Slice& slice : *slices) {
        const auto bytes = MachO::signatureBytes(file, slice);
        if (!bytes)
            return std::nullopt;
        const auto signature = EmbeddedSignature::parse(*bytes);
        if (!signature || !signature->primary().teamIdentifier)
            return std::nullopt;
        if (team && *team != *signature->primary().teamIdentifier)
            return std::nullopt;
        team = signature->primary().teamIdentifier;
    }
    if (team && team->isEmpty())
        return std::nullopt;
    return team;
}
