// Writes seed inputs for the fuzz targets in the real formats, made by the same builders the
// tests use: without them the package reader never gets past its table of contents and the
// disk-image reader never past its trailer. The single-instance socket's lines are the ones its
// tests exchange. Usage: quenlark-fuzz-seeds <folder>
#include "PackageBuilder.h"
#include "UdifWriter.h"

#include "platform/desktop/InstanceMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool packages(const QDir& out) {
    const QByteArray tool = QByteArrayLiteral("#!/bin/sh\necho hello\n");
    const PackageBuilder forms[] = {
        PackageBuilder::unsignedPackage().file(QStringLiteral("Applications/Hello.app/Contents/Info.plist"), "<plist/>"),
        PackageBuilder::teamA(true).file(QStringLiteral("usr/local/bin/hello"), tool, 0755).sha256(),
        PackageBuilder::teamB(false).payload(PackageBuilder::Payload::Pbzx).symlink(QStringLiteral("link"), QStringLiteral("target")),
        PackageBuilder::teamA(false).product().cms(PackageBuilder::Cms::Valid).file(QStringLiteral("a"), "b"),
    };
    int n = 0;
    for (const PackageBuilder& form : forms) {
        if (!writeFile(out.filePath(QStringLiteral("package%1.pkg").arg(++n)), form.build()))
            return false;
    }
    return true;
}

bool images(const QDir& out) {
    QTemporaryDir work;
    QByteArray volume(64 * 1024, '\0');
    for (qsizetype i = 0; i < volume.size(); i += 97)
        volume[i] = char(i / 97);
    const QString raw = work.filePath(QStringLiteral("volume.raw"));
    if (!writeFile(raw, volume))
        return false;
    const UdifWriter::Compression kinds[] = {UdifWriter::Compression::Raw, UdifWriter::Compression::Zlib,
                                             UdifWriter::Compression::Bzip2, UdifWriter::Compression::Lzma,
                                             UdifWriter::Compression::Adc};
    int n = 0;
    for (const auto kind : kinds) {
        UdifWriter writer;
        writer.compression = kind;
        if (n == 0)
            writer.licence = QStringLiteral("Licence text.");
        if (!writer.write(raw, out.filePath(QStringLiteral("image%1.dmg").arg(++n))))
            return false;
    }
    return true;
}

// The lines the single-instance tests exchange.
bool instanceMessages(const QDir& out) {
    using InstanceMessage::Request;
    const QByteArray lines[] = {
        InstanceMessage::greeting({QStringLiteral("/opt/a/Quenlark.app"), QStringLiteral("2.0"), 4242}),
        InstanceMessage::request({Request::Kind::Open,
                                  {QStringLiteral("--background"), QStringLiteral("com.example.app:/oauth?code=1&state=x")}}),
        InstanceMessage::request({Request::Kind::Open, {}}),
        InstanceMessage::request({Request::Kind::Quit, {}}),
        InstanceMessage::request({Request::Kind::Activate, {}}),
        InstanceMessage::acknowledgement(true),
        QByteArrayLiteral("{\"request\":\"open\",\"args\":[\"--x\"]}\n"),
    };
    int n = 0;
    for (const QByteArray& line : lines) {
        if (!writeFile(out.filePath(QStringLiteral("line%1").arg(++n)), line))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quenlark-fuzz-seeds <folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QDir xar(root.filePath(QStringLiteral("xar")));
    const QDir udif(root.filePath(QStringLiteral("udif")));
    const QDir instance(root.filePath(QStringLiteral("instancemessage")));
    if (!root.mkpath(QStringLiteral("xar")) || !root.mkpath(QStringLiteral("udif")) ||
        !root.mkpath(QStringLiteral("instancemessage")) || !packages(xar) || !images(udif) || !instanceMessages(instance)) {
        std::fprintf(stderr, "quenlark-fuzz-seeds: could not write the seeds\n");
        return 1;
    }
    return 0;
}
