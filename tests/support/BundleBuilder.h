#pragma once

#include "CodeSigner.h"
#include "TestPki.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// Writes an application bundle signed exactly as a real one: Info.plist, a Mach-O main
// executable (thin or universal) with an embedded signature, sealed resources in
// Contents/_CodeSignature/CodeResources, nested code, and optionally a stapled ticket.
class BundleBuilder {
public:
    struct Built {
        QString path;
        QString executable;
        QList<QByteArray> cdhashes; // one per slice, 20 bytes each
    };

    explicit BundleBuilder(QString path);

    BundleBuilder& identifier(const QString& value);
    BundleBuilder& executableName(const QString& value);
    BundleBuilder& info(const QString& key, const QString& value);
    BundleBuilder& resource(const QString& relativePath, const QByteArray& bytes);
    BundleBuilder& symlink(const QString& relativePath, const QString& target);
    BundleBuilder& nested(const QString& relativePath, const BundleBuilder& inner);
    BundleBuilder& signedBy(const TestPki::Identity* identity); // nullptr: ad-hoc
    BundleBuilder& timestamp(const CodeSigner::Timestamp& stamp);
    BundleBuilder& unsignedCode();
    BundleBuilder& architectures(const QList<uint32_t>& cpuTypes);
    BundleBuilder& explicitRequirement(bool value);
    BundleBuilder& notarized(bool value);
    BundleBuilder& binaryInfoPlist(bool value);

    Built build() const;

    static QByteArray infoPlistXml(const QMap<QString, QString>& values);
    static QByteArray infoPlistBinary(const QMap<QString, QString>& values);

private:
    QString path_;
    QString identifier_ = QStringLiteral("com.example.tool");
    QString executable_ = QStringLiteral("Tool");
    QMap<QString, QString> info_;
    QMap<QString, QByteArray> resources_;
    QMap<QString, QString> links_;
    QList<std::pair<QString, std::shared_ptr<BundleBuilder>>> nested_;
    const TestPki::Identity* identity_ = &TestPki::shared().teamA;
    bool signed_ = true;
    CodeSigner::Timestamp timestamp_;
    QList<uint32_t> cpuTypes_{0x0100000C};
    bool explicitRequirement_ = true;
    bool notarized_ = false;
    bool binaryInfoPlist_ = false;
};
