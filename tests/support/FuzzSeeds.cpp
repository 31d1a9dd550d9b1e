// Writes seed inputs for the fuzz targets in the real formats, made by the same builders the
// tests use: without them the package reader never gets past its table of contents and the
// disk-image reader never past its trailer. The account's readers and the single-instance
// socket start from their tests' inputs. Usage: quenlark-fuzz-seeds <folder>
#include "PackageBuilder.h"
#include "UdifWriter.h"

#include "platform/desktop/InstanceMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
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
        PackageBuilder::unsignedPackage().file(QStringLiteral("Applications/Hello.app/Contents/Info.plist"),
                                               "<plist/>"),
        PackageBuilder::teamA(true).file(QStringLiteral("usr/local/bin/hello"), tool, 0755).sha256(),
        PackageBuilder::teamB(false)
            .payload(PackageBuilder::Payload::Pbzx)
            .symlink(QStringLiteral("link"), QStringLiteral("target")),
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

// The account's readers: configuration files, the services' answers (the first byte picks the
// status: 0 for 200, 1 for 400, 2 for 500) and the redirects a later launch hands over, as the
// account's tests write them.
bool account(const QDir& root) {
    const QList<QPair<QString, QList<QByteArray>>> targets = {
        {QStringLiteral("cloudconfig"),
         {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod"})",
          R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod","googleClientID":"123-abc.apps.googleusercontent.com"})",
          R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"127.0.0.1:9099","firestoreEmulatorHost":"[::1]:8080"})",
          R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"auth.example.com:80"})",
          R"({"apiKey":"AIza-key_1","projectId":"p","googleClientID":"https"})"}},
        {QStringLiteral("identityreply"),
         {QByteArray(1, '\0') +
              R"({"localId":"uid-9","idToken":"id-9","refreshToken":"refresh-9","email":"ada@example.com","expiresIn":"3600","displayName":"Ada"})",
          QByteArray(1, '\0') + R"({"users":[{"displayName":"Ada","emailVerified":true}]})",
          QByteArray(1, '\0') + R"({"id_token":"id-2","refresh_token":"refresh-2","expires_in":"3600"})",
          QByteArray(1, '\1') +
              R"({"error":{"code":400,"message":"WEAK_PASSWORD : Password should be at least 6 characters"}})",
          QByteArray(1, '\2') + "<html><body>Internal error</body></html>"}},
        {QStringLiteral("redirect"),
         {"com.googleusercontent.apps.123-abc:/"
          "oauth2redirect?code=4%2F0Ab-code&state=c3RhdGUtb2YtdGhlLXNpZ24&scope=email",
          "com.googleusercontent.apps.123-abc:/oauth2redirect?error=access_denied&state=c3RhdGUtb2YtdGhlLXNpZ24",
          "com.googleusercontent.apps.123-abc:/oauth2redirect?code=forged&state=forged",
          "https://example.com/?state=c3RhdGUtb2YtdGhlLXNpZ24&code=x"}},
    };
    for (const auto& [target, inputs] : targets) {
        if (!root.mkpath(target))
            return false;
        int n = 0;
        for (const QByteArray& input : inputs)
            if (!writeFile(QDir(root.filePath(target)).filePath(QStringLiteral("seed%1").arg(++n)), input))
                return false;
    }
    return true;
}

// The lines the single-instance tests exchange.
bool instanceMessages(const QDir& out) {
    using InstanceMessage::Request;
    const QByteArray lines[] = {
        InstanceMessage::greeting({QStringLiteral("/opt/a/Quenlark.app"), QStringLiteral("2.0"), 4242}),
        InstanceMessage::request(
            {Request::Kind::Open,
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
        !root.mkpath(QStringLiteral("instancemessage")) || !packages(xar) || !images(udif) || !account(root) ||
        !instanceMessages(instance)) {
        std::fprintf(stderr, "quenlark-fuzz-seeds: could not write the seeds\n");
        return 1;
    }
    return 0;
}
