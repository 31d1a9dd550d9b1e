#include "BundleBuilder.h"

#include "CodeSigner.h"
#include "MachOBuilder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <stdexcept>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("writing a test bundle failed");
}

QByteArray escaped(const QString& text) { return text.toHtmlEscaped().toUtf8(); }

const char* const rules2 = R"(	<key>rules</key>
	<dict>
		<key>^Resources/</key>
		<true/>
		<key>^Resources/.*\.lproj/</key>
		<dict><key>optional</key><true/><key>weight</key><real>1000</real></dict>
		<key>^Resources/.*\.lproj/locversion.plist$</key>
		<dict><key>omit</key><true/><key>weight</key><real>1100</real></dict>
		<key>^Resources/Base\.lproj/</key>
		<dict><key>weight</key><real>1010</real></dict>
		<key>^version.plist$</key>
		<true/>
	</dict>
	<key>rules2</key>
	<dict>
		<key>.*\.dSYM($|/)</key>
		<dict><key>weight</key><real>11</real></dict>
		<key>^(.*/)?\.DS_Store$</key>
		<dict><key>omit</key><true/><key>weight</key><real>2000</real></dict>
		<key>^(Frameworks|SharedFrameworks|PlugIns|Plug-ins|XPCServices|Helpers|MacOS|Library/(Automator|Spotlight|LoginItems))/</key>
		<dict><key>nested</key><true/><key>weight</key><real>10</real></dict>
		<key>^.*</key>
		<true/>
		<key>^Info\.plist$</key>
		<dict><key>omit</key><true/><key>weight</key><real>20</real></dict>
		<key>^PkgInfo$</key>
		<dict><key>omit</key><true/><key>weight</key><real>20</real></dict>
		<key>^Resources/</key>
		<dict><key>weight</key><real>20</real></dict>
		<key>^Resources/.*\.lproj/</key>
		<dict><key>optional</key><true/><key>weight</key><real>1000</real></dict>
		<key>^Resources/.*\.lproj/locversion.plist$</key>
		<dict><key>omit</key><true/><key>weight</key><real>1100</real></dict>
		<key>^Resources/Base\.lproj/</key>
		<dict><key>weight</key><real>1010</real></dict>
		<key>^[^/]+$</key>
		<dict><key>nested</key><true/><key>weight</key><real>10</real></dict>
		<key>^embedded\.provisionprofile$</key>
		<dict><key>weight</key><real>20</real></dict>
		<key>^version\.plist$</key>
		<dict><key>weight</key><real>20</real></dict>
	</dict>
)";

} // namespace

BundleBuilder::BundleBuilder(QString path) : path_(std::move(path)) {}

BundleBuilder& BundleBuilder::identifier(const QString& value) {
    identifier_ = value;
    return *this;
}
BundleBuilder& BundleBuilder::executableName(const QString& value) {
    executable_ = value;
    return *this;
}
BundleBuilder& BundleBuilder::info(const QString& key, const QString& value) {
    info_[key] = value;
    return *this;
}
BundleBuilder& BundleBuilder::resource(const QString& relativePath, const QByteArray& bytes) {
    resources_[relativePath] = bytes;
    return *this;
}
BundleBuilder& BundleBuilder::symlink(const QString& relativePath, const QString& target) {
    links_[relativePath] = target;
    return *this;
}
BundleBuilder& BundleBuilder::nested(const QString& relativePath, const BundleBuilder& inner) {
    nested_.append({relativePath, std::make_shared<BundleBuilder>(inner)});
    return *this;
}
BundleBuilder& BundleBuilder::signedBy(const TestPki::Identity* identity) {
    identity_ = identity;
    signed_ = true;
    return *this;
}
BundleBuilder& BundleBuilder::timestamp(const CodeSigner::Timestamp& stamp) {
    timestamp_ = stamp;
    return *this;
}

BundleBuilder& BundleBuilder::unsignedCode() {
    signed_ = false;
    return *this;
}
BundleBuilder& BundleBuilder::architectures(const QList<uint32_t>& cpuTypes) {
    cpuTypes_ = cpuTypes;
    return *this;
}
BundleBuilder& BundleBuilder::explicitRequirement(bool value) {
    explicitRequirement_ = value;
    return *this;
}
BundleBuilder& BundleBuilder::notarized(bool value) {
    notarized_ = value;
    return *this;
}
BundleBuilder& BundleBuilder::binaryInfoPlist(bool value) {
    binaryInfoPlist_ = value;
    return *this;
}

// A binary property list ("bplist00") of one dictionary of strings.
QByteArray BundleBuilder::infoPlistBinary(const QMap<QString, QString>& values) {
    QList<QString> strings = values.keys();
    strings += values.values();
    const int count = int(strings.size()) + 1;
    if (count > 255)
        throw std::logic_error("too many entries for a one-byte reference");
    QByteArray out = "bplist00";
    QList<int> offsets;
    const auto length = [&](uint8_t marker, int size) {
        if (size < 15) {
            out.append(char(marker | size));
        } else {
            out.append(char(marker | 0x0F));
            out.append(char(0x11));
            out.append(char(size >> 8));
            out.append(char(size & 0xFF));
        }
    };
    offsets.append(int(out.size()));
    length(0xD0, int(values.size()));
    for (int i = 1; i < count; ++i)
        out.append(char(i));
    for (const QString& text : strings) {
        offsets.append(int(out.size()));
        bool ascii = true;
        for (const QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii) {
            length(0x50, int(text.size()));
            out += text.toLatin1();
        } else {
            length(0x60, int(text.size()));
            for (const QChar c : text) {
                out.append(char(c.unicode() >> 8));
                out.append(char(c.unicode() & 0xFF));
            }
        }
    }
    const int tableOffset = int(out.size());
    for (const int offset : offsets) {
        out.append(char(offset >> 8));
        out.append(char(offset & 0xFF));
    }
    out += QByteArray(6, '\0');
    out.append(char(2));
    out.append(char(1));
    out += MachOBuilder::be64(uint64_t(count)) + MachOBuilder::be64(0) + MachOBuilder::be64(uint64_t(tableOffset));
    return out;
}

QByteArray BundleBuilder::infoPlistXml(const QMap<QString, QString>& values) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<dict>\n";
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        xml += "\t<key>" + escaped(it.key()) + "</key>\n\t<string>" + escaped(it.value()) + "</string>\n";
    return xml + "</dict>\n</plist>\n";
}

BundleBuilder::Built BundleBuilder::build() const {
    const QString contents = path_ + QStringLiteral("/Contents");
    QDir().mkpath(contents + QStringLiteral("/MacOS"));
    QMap<QString, QString> values = info_;
    values.insert(QStringLiteral("CFBundleIdentifier"), identifier_);
    values.insert(QStringLiteral("CFBundleExecutable"), executable_);
    values.insert(QStringLiteral("CFBundlePackageType"), QStringLiteral("APPL"));
    if (!values.contains(QStringLiteral("CFBundleShortVersionString")))
        values.insert(QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0"));
    const QByteArray infoPlist = binaryInfoPlist_ ? infoPlistBinary(values) : infoPlistXml(values);
    writeFile(contents + QStringLiteral("/Info.plist"), infoPlist);
    for (auto it = resources_.cbegin(); it != resources_.cend(); ++it)
        writeFile(contents + u'/' + it.key(), it.value());
    for (auto it = links_.cbegin(); it != links_.cend(); ++it) {
        const QString link = contents + u'/' + it.key();
        QDir().mkpath(QFileInfo(link).absolutePath());
        QFile::link(it.value(), link);
    }

    // The seal: every file and link of Contents except Info.plist, the main executable, the
    // signature folder and the stapled ticket; nested code by its cdhash and requirement.
    QByteArray files;
    QByteArray files2;
    for (const auto& [relative, inner] : nested_) {
        BundleBuilder copy = *inner;
        copy.path_ = contents + u'/' + relative;
        const Built built = copy.build();
        files2 += "\t\t<key>" + escaped(relative) + "</key>\n\t\t<dict>\n\t\t\t<key>cdhash</key>\n\t\t\t<data>" +
                  built.cdhashes.first().toBase64() + "</data>\n\t\t\t<key>requirement</key>\n\t\t\t<string>" +
                  escaped(QStringLiteral("identifier \"%1\" and anchor apple generic").arg(copy.identifier_)) +
                  "</string>\n\t\t</dict>\n";
    }
    QStringList sealed;
    QDirIterator walk(contents, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString relative = QDir(contents).relativeFilePath(walk.next());
        if (walk.fileInfo().isDir() && !walk.fileInfo().isSymLink())
            continue;
        if (relative == u"Info.plist" || relative == u"CodeResources" || relative.startsWith(u"_CodeSignature/") ||
            relative == QStringLiteral("MacOS/") + executable_)
            continue;
        bool inNested = false;
        for (const auto& entry : nested_)
            inNested = inNested || relative.startsWith(entry.first + u'/');
        if (!inNested)
            sealed.append(relative);
    }
    sealed.sort();
    static const QRegularExpression localised(QStringLiteral("^Resources/.*\\.lproj/"));
    for (const QString& relative : sealed) {
        const QString full = contents + u'/' + relative;
        const QFileInfo info(full);
        if (info.isSymLink()) {
            files2 += "\t\t<key>" + escaped(relative) + "</key>\n\t\t<dict>\n\t\t\t<key>symlink</key>\n\t\t\t<string>" +
                      escaped(links_.value(relative)) + "</string>\n\t\t</dict>\n";
            continue;
        }
        QFile file(full);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const QByteArray sha1 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
        const QByteArray sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
        if (relative.startsWith(u"Resources/"))
            files += "\t\t<key>" + escaped(relative) + "</key>\n\t\t<data>" + sha1.toBase64() + "</data>\n";
        files2 += "\t\t<key>" + escaped(relative) + "</key>\n\t\t<dict>\n\t\t\t<key>hash</key>\n\t\t\t<data>" +
                  sha1.toBase64() + "</data>\n\t\t\t<key>hash2</key>\n\t\t\t<data>" + sha256.toBase64() + "</data>\n" +
                  (localised.match(relative).hasMatch() ? "\t\t\t<key>optional</key>\n\t\t\t<true/>\n" : "") +
                  "\t\t</dict>\n";
    }
    const QByteArray seal = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<dict>\n"
                            "\t<key>files</key>\n\t<dict>\n" +
                            files + "\t</dict>\n\t<key>files2</key>\n\t<dict>\n" + files2 + "\t</dict>\n" + rules2 +
                            "</dict>\n</plist>\n";

    Built built;
    built.path = path_;
    built.executable = contents + QStringLiteral("/MacOS/") + executable_;
    QList<QByteArray> images;
    uint32_t seed = uint32_t(qHash(identifier_));
    for (const uint32_t cpu : cpuTypes_) {
        QByteArray image = MachOBuilder::image(cpu, 3 * 4096 + 123, ++seed);
        if (signed_) {
            writeFile(contents + QStringLiteral("/_CodeSignature/CodeResources"), seal);
            CodeSigner::Options options;
            options.identifier = identifier_;
            options.identity = identity_;
            options.timestamp = timestamp_;
            options.infoPlist = infoPlist;
            options.resources = seal;
            if (identity_ && explicitRequirement_)
                options.requirements = CodeSigner::developerIdRequirementSet(identifier_, identity_->team);
            const CodeSigner::Signed result = CodeSigner::sign(image, options);
            image = result.image;
            built.cdhashes.append(result.cdhash);
        }
        images.append(image);
    }
    writeFile(built.executable, images.size() == 1 ? images.first() : MachOBuilder::universal(images));
    QFile::setPermissions(built.executable, QFile::permissions(built.executable) | QFile::ExeOwner);
    if (notarized_)
        writeFile(contents + QStringLiteral("/CodeResources"),
                  CodeSigner::ticket(built.cdhashes, TestPki::shared().ticketSigner));
    return built;
}
