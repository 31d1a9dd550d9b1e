#include "platform/codesign/ResourceSeal.h"

#include "platform/codesign/CodeHash.h"
#include "platform/codesign/SignatureStatus.h"
#include "platform/system/PropertyList.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

namespace ResourceSeal {
namespace {

struct Rule {
    QRegularExpression pattern;
    double weight = 1;
    bool omit = false;
};

std::optional<QByteArray> readLink(const QString& path) {
    QByteArray buffer(4096, '\0');
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), buffer.data(), size_t(buffer.size()));
    if (length < 0 || length >= buffer.size())
        return std::nullopt;
    buffer.truncate(qsizetype(length));
    return buffer;
}

std::optional<QByteArray> hashFile(const QString& path, int type) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    CodeHash hash(type);
    while (true) {
        const QByteArray chunk = file.read(1024 * 1024);
        if (chunk.isEmpty())
            break;
        hash.add(chunk);
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return hash.result();
}

bool safeRelative(const QString& key) {
    if (key.isEmpty() || key.startsWith(u'/'))
        return false;
    for (const QString& part : key.split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
    }
    return true;
}

bool linkStaysInside(const QString& link, const QString& root) {
    const auto target = readLink(link);
    if (!target || target->isEmpty() || target->startsWith('/'))
        return false;
    const QString resolved = QDir::cleanPath(QFileInfo(link).absolutePath() + u'/' + QFile::decodeName(*target));
    const QString base = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    return resolved.startsWith(base + u'/');
}

QList<Rule> rulesFrom(const QVariantMap& seal) {
    QList<Rule> rules;
    const QVariantMap map = (seal.contains(QStringLiteral("rules2")) ? seal.value(QStringLiteral("rules2"))
                                                                     : seal.value(QStringLiteral("rules")))
                                .toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        Rule rule;
        rule.pattern = QRegularExpression(it.key());
        if (!rule.pattern.isValid())
            continue;
        if (it.value().typeId() == QMetaType::Bool) {
            rule.omit = !it.value().toBool();
        } else {
            const QVariantMap settings = it.value().toMap();
            rule.weight = settings.value(QStringLiteral("weight"), 1.0).toDouble();
            rule.omit = settings.value(QStringLiteral("omit")).toBool();
        }
        rules.append(rule);
    }
    return rules;
}

bool omitted(const QList<Rule>& rules, const QString& relative) {
    const Rule* best = nullptr;
    for (const Rule& rule : rules) {
        if (rule.pattern.match(relative).hasMatch() && (!best || rule.weight > best->weight))
            best = &rule;
    }
    return best && best->omit;
}

} // namespace

int verify(const CodeBundle& bundle, const QByteArray& sealBytes, bool strict, const NestedCheck& nested) {
    const auto parsed = PropertyList::fromBytes(sealBytes);
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap)
        return SignatureStatus::ResourcesInvalid;
    const QVariantMap seal = parsed->toMap();
    const bool current = seal.contains(QStringLiteral("files2"));
    const QVariantMap files = seal.value(current ? QStringLiteral("files2") : QStringLiteral("files")).toMap();
    const QString root = bundle.contentRoot;

    QSet<QString> listed;
    QStringList nestedPrefixes;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString& key = it.key();
        if (!safeRelative(key))
            return SignatureStatus::ResourcesInvalid;
        listed.insert(key);
        const QString path = root + u'/' + key;
        const QFileInfo info(path);
        QVariantMap entry;
        if (it.value().typeId() == QMetaType::QByteArray)
            entry.insert(QStringLiteral("hash"), it.value());
        else
            entry = it.value().toMap();
        const bool optional = entry.value(QStringLiteral("optional")).toBool();
        if (!info.exists() && !info.isSymLink()) {
            if (optional)
                continue;
            return SignatureStatus::ResourcesInvalid;
        }
        if (entry.contains(QStringLiteral("symlink"))) {
            const auto target = readLink(path);
            if (info.isSymLink() && strict && !linkStaysInside(path, bundle.path))
                return SignatureStatus::InvalidSymlink;
            if (!info.isSymLink() || !target ||
                QString::fromUtf8(*target) != entry.value(QStringLiteral("symlink")).toString())
                return SignatureStatus::ResourcesInvalid;
            continue;
        }
        if (info.isSymLink())
            return strict && !linkStaysInside(path, bundle.path) ? SignatureStatus::InvalidSymlink
                                                                 : SignatureStatus::ResourcesInvalid;
        if (entry.contains(QStringLiteral("cdhash"))) {
            nestedPrefixes.append(key + u'/');
            const int status = nested(path, entry.value(QStringLiteral("cdhash")).toByteArray(),
                                      entry.value(QStringLiteral("requirement")).toString());
            if (status != SignatureStatus::Ok)
                return SignatureStatus::BadNestedCode;
            continue;
        }
        if (!info.isFile())
            return SignatureStatus::ResourcesInvalid;
        const QByteArray hash2 = entry.value(QStringLiteral("hash2")).toByteArray();
        const QByteArray hash1 = entry.value(QStringLiteral("hash")).toByteArray();
        if (!hash2.isEmpty()) {
            if (hashFile(path, CodeHash::Sha256) != hash2)
                return SignatureStatus::ResourcesInvalid;
        } else if (!hash1.isEmpty()) {
            if (hashFile(path, CodeHash::Sha1) != hash1)
                return SignatureStatus::ResourcesInvalid;
        } else {
            return SignatureStatus::ResourcesInvalid;
        }
    }

    // Everything else in the bundle must be implicitly excluded or omitted by a rule.
    const QList<Rule> rules = rulesFrom(seal);
    const QString executable = bundle.executablePath ? QDir(root).relativeFilePath(*bundle.executablePath) : QString();
    const QString infoPlist = QDir(root).relativeFilePath(bundle.infoPlistPath);
    QDirIterator walk(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString path = walk.next();
        const QString relative = QDir(root).relativeFilePath(path);
        const QFileInfo info = walk.fileInfo();
        if (relative == u"_CodeSignature" || relative.startsWith(QStringLiteral("_CodeSignature/")))
            continue;
        bool inside = false;
        for (const QString& prefix : nestedPrefixes)
            inside = inside || relative.startsWith(prefix);
        if (inside)
            continue;
        if (info.isSymLink() && strict && !linkStaysInside(path, bundle.path))
            return SignatureStatus::InvalidSymlink;
        if (info.isDir() && !info.isSymLink())
            continue;
        if (listed.contains(relative) || relative == executable || relative == infoPlist ||
            relative == u"CodeResources" || omitted(rules, relative))
            continue;
        return SignatureStatus::ResourcesInvalid;
    }
    return SignatureStatus::Ok;
}

} // namespace ResourceSeal
