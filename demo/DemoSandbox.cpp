#include "DemoSandbox.h"

#include "BundleBuilder.h"
#include "EdKey.h"
#include "MachOBuilder.h"
#include "PackageBuilder.h"
#include "TestPki.h"
#include "UdifWriter.h"
#include "ZipBuilder.h"

#include "platform/archives/TreeCopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <stdexcept>

namespace {

const QString idPrefix = QStringLiteral("com.quenlark.demo.");

void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("Could not write ") + path);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Could not read ") + path);
    return file.readAll();
}

QString sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QByteArray json(const QJsonValue& value) {
    return value.isArray() ? QJsonDocument(value.toArray()).toJson() : QJsonDocument(value.toObject()).toJson();
}

// One sample application: what is installed and what the server offers.
struct Sample {
    QString name;
    QString installed;
    QString offered; // "" when nothing newer is offered
    const TestPki::Identity* identity;

    QString bundleID() const { return idPrefix + name.toLower(); }
    BundleBuilder bundle(const QString& path, const QString& version) const {
        BundleBuilder builder(path);
        builder.identifier(bundleID())
            .executableName(name)
            // Universal, as shipped apps are: an update must run on the processor of the machine.
            .architectures({MachOBuilder::x86_64, MachOBuilder::arm64})
            .info(QStringLiteral("CFBundleName"), name)
            .info(QStringLiteral("CFBundleShortVersionString"), version)
            .info(QStringLiteral("CFBundleVersion"), QString(version).remove(QLatin1Char('.')))
            .resource(QStringLiteral("Resources/About.txt"), name.toUtf8() + " " + version.toUtf8() + "\n")
            .signedBy(identity);
        return builder;
    }
};

const TestPki& pki() { return TestPki::shared(); }

} // namespace

DemoSandbox::DemoSandbox(QString root) : root_(QDir(root).absolutePath()) {}

DemoSandbox::~DemoSandbox() {
    if (server_)
        server_->stop();
}

QUrl DemoSandbox::mock() const { return server_->url("/"); }

QStringList DemoSandbox::arguments() const {
    return {QStringLiteral("--sandbox"), applications(), QStringLiteral("--mock"), mock().toString()};
}

QStringList DemoSandbox::sampleNames() {
    return {QStringLiteral("Lumen"), QStringLiteral("Pebble"), QStringLiteral("Harbor"), QStringLiteral("Quill"),
            QStringLiteral("Relay"), QStringLiteral("Mosaic"), QStringLiteral("Ledger"), QStringLiteral("Driftwood")};
}

QStringList DemoSandbox::namesWithUpdates() {
    return {QStringLiteral("Lumen"), QStringLiteral("Harbor"), QStringLiteral("Quill"), QStringLiteral("Relay"),
            QStringLiteral("Mosaic"), QStringLiteral("Ledger")};
}

void DemoSandbox::make(const QString& quenlarkApp) {
    if (QFileInfo::exists(root_) && !QDir(root_).removeRecursively())
        fail(QStringLiteral("Could not clear ") + root_);
    for (const QString& folder : {applications(), anchors(), served(), root_ + QStringLiteral("/Trash"),
                                  root_ + QStringLiteral("/work")})
        QDir().mkpath(folder);
    pki().writeAnchors(anchors());

    // Nothing beyond a year of requests or a year of time stops the server by itself.
    server_ = std::make_unique<LoopbackServer>(1 << 30, std::chrono::hours(24 * 365));
    const QString lookups = served() + QStringLiteral("/lookup");
    server_->http().Get("/lookup", [lookups](const httplib::Request& request, httplib::Response& response) {
        const QString id = QString::fromStdString(request.get_param_value("bundleId"));
        QFile file(lookups + QLatin1Char('/') + id + QStringLiteral(".json"));
        const bool known = !id.contains(QLatin1Char('/')) && file.open(QIODevice::ReadOnly);
        const QByteArray body = known ? file.readAll() : QByteArray(R"({"resultCount":0,"results":[]})");
        response.set_content(body.toStdString(), "application/json");
    });
    if (!server_->http().set_mount_point("/", served().toStdString()))
        fail(QStringLiteral("Could not serve ") + served());
    server_->start();

    const QString apps = applications();
    const QString work = root_ + QStringLiteral("/work");
    const QString files = served() + QStringLiteral("/files");
    auto address = [this](const QString& path) { return server_->url(path.toStdString()).toString(); };
    // The newer version of a sample, built in the work folder.
    auto newer = [&](const Sample& sample) {
        const QString path = work + QLatin1Char('/') + sample.name + QLatin1Char('/') + sample.name + QStringLiteral(".app");
        sample.bundle(path, sample.offered).build();
        return path;
    };
    QJsonArray casks;

    // Sparkle: an appcast with an EdDSA-signed zip.
    {
        const Sample lumen{QStringLiteral("Lumen"), QStringLiteral("1.4.0"), QStringLiteral("1.5.0"), &pki().teamA};
        const EdKey key;
        const QString feed = QStringLiteral("/appcast/lumen.xml");
        lumen.bundle(apps + QStringLiteral("/Lumen.app"), lumen.installed)
            .info(QStringLiteral("SUFeedURL"), address(feed))
            .info(QStringLiteral("SUPublicEDKey"), key.publicBase64())
            .build();
        const QString zip = files + QStringLiteral("/Lumen-1.5.0.zip");
        QDir().mkpath(files);
        if (!ZipBuilder::tree(newer(lumen), zip))
            fail(QStringLiteral("Could not zip Lumen"));
        const QByteArray bytes = readFile(zip);
        writeFile(served() + feed, QStringLiteral(R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Lumen</title>
    <item>
      <title>Lumen 1.5.0</title>
      <sparkle:version>150</sparkle:version>
      <sparkle:shortVersionString>1.5.0</sparkle:shortVersionString>
      <description><![CDATA[<ul><li>Faster previews of large photos.</li><li>Fixes a crash when a folder is renamed.</li></ul>]]></description>
      <pubDate>Mon, 30 Nov 2026 10:00:00 +0000</pubDate>
      <enclosure url="%1" length="%2" type="application/octet-stream" sparkle:edSignature="%3"/>
    </item>
  </channel>
</rss>
)").arg(address(QStringLiteral("/files/Lumen-1.5.0.zip")), QString::number(bytes.size()), key.sign(bytes)).toUtf8());
    }

    // Sparkle, current: the appcast offers what is installed.
    {
        const Sample pebble{QStringLiteral("Pebble"), QStringLiteral("2.0.0"), QString(), &pki().teamB};
        const QString feed = QStringLiteral("/appcast/pebble.xml");
        pebble.bundle(apps + QStringLiteral("/Pebble.app"), pebble.installed)
            .info(QStringLiteral("SUFeedURL"), address(feed))
            .build();
        writeFile(served() + feed, QByteArrayLiteral(R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Pebble</title>
    <item>
      <title>Pebble 2.0.0</title>
      <sparkle:version>200</sparkle:version>
      <sparkle:shortVersionString>2.0.0</sparkle:shortVersionString>
      <enclosure url="http://127.0.0.1/files/Pebble-2.0.0.zip" length="1" type="application/octet-stream"/>
    </item>
  </channel>
</rss>
)"));
    }

    // The cask catalogue: a disk image with its digest.
    {
        const Sample harbor{QStringLiteral("Harbor"), QStringLiteral("3.1.0"), QStringLiteral("3.2.0"), &pki().teamB};
        harbor.bundle(apps + QStringLiteral("/Harbor.app"), harbor.installed).build();
        const QString iso = work + QStringLiteral("/Harbor.iso");
        const QString dmg = files + QStringLiteral("/Harbor-3.2.0.dmg");
        if (!makeIso(QFileInfo(newer(harbor)).absolutePath(), iso) || !UdifWriter{}.write(iso, dmg))
            fail(QStringLiteral("Could not make Harbor's disk image"));
        casks.append(QJsonObject{
            {QStringLiteral("token"), QStringLiteral("harbor")},
            {QStringLiteral("version"), harbor.offered},
            {QStringLiteral("url"), address(QStringLiteral("/files/Harbor-3.2.0.dmg"))},
            {QStringLiteral("sha256"), sha256(readFile(dmg))},
            {QStringLiteral("homepage"), QStringLiteral("https://harbor.example.org/")},
            {QStringLiteral("artifacts"),
             QJsonArray{QJsonObject{{QStringLiteral("app"), QJsonArray{QStringLiteral("Harbor.app")}}},
                        QJsonObject{{QStringLiteral("zap"),
                                     QJsonArray{QJsonObject{{QStringLiteral("trash"),
                                                             QJsonArray{QStringLiteral("~/Library/Preferences/") +
                                                                        harbor.bundleID() + QStringLiteral(".plist")}}}}}}}},
        });
    }

    // GitHub releases, named by an unversioned cask's homepage.
    {
        const Sample quill{QStringLiteral("Quill"), QStringLiteral("0.9.0"), QStringLiteral("1.0.0"), &pki().teamA};
        quill.bundle(apps + QStringLiteral("/Quill.app"), quill.installed).build();
        const QString zip = files + QStringLiteral("/Quill-1.0.0-universal.zip");
        if (!ZipBuilder::tree(newer(quill), zip))
            fail(QStringLiteral("Could not zip Quill"));
        const QByteArray bytes = readFile(zip);
        casks.append(QJsonObject{
            {QStringLiteral("token"), QStringLiteral("quill")},
            {QStringLiteral("version"), QStringLiteral("latest")},
            {QStringLiteral("sha256"), QStringLiteral("no_check")},
            {QStringLiteral("homepage"), QStringLiteral("https://github.com/quenlark-demo/quill")},
            {QStringLiteral("artifacts"),
             QJsonArray{QJsonObject{{QStringLiteral("app"), QJsonArray{QStringLiteral("Quill.app")}}}}},
        });
        writeFile(served() + QStringLiteral("/repos/quenlark-demo/quill/releases/latest"), json(QJsonObject{
            {QStringLiteral("tag_name"), QStringLiteral("v1.0.0")},
            {QStringLiteral("name"), QStringLiteral("Quill 1.0.0")},
            {QStringLiteral("body"), QStringLiteral("The first stable release.\n\n- Outline view\n- **Export** to plain text")},
            {QStringLiteral("html_url"), QStringLiteral("https://github.com/quenlark-demo/quill/releases/tag/v1.0.0")},
            {QStringLiteral("assets"),
             QJsonArray{QJsonObject{
                 {QStringLiteral("name"), QStringLiteral("Quill-1.0.0-universal.zip")},
                 {QStringLiteral("size"), double(bytes.size())},
                 {QStringLiteral("digest"), QStringLiteral("sha256:") + sha256(bytes)},
                 {QStringLiteral("browser_download_url"), address(QStringLiteral("/files/Quill-1.0.0-universal.zip"))},
             }}},
        }));
    }

    // electron-updater: app-update.yml in the bundle, latest-mac.yml beside the zip.
    {
        const Sample relay{QStringLiteral("Relay"), QStringLiteral("5.0.1"), QStringLiteral("5.1.0"), &pki().teamB};
        relay.bundle(apps + QStringLiteral("/Relay.app"), relay.installed)
            .resource(QStringLiteral("Resources/app-update.yml"),
                      "provider: generic\nurl: " + address(QStringLiteral("/electron/relay")).toUtf8() +
                          "\nupdaterCacheDirName: relay-updater\n")
            .build();
        const QString folder = served() + QStringLiteral("/electron/relay");
        QDir().mkpath(folder);
        const QString zip = folder + QStringLiteral("/Relay-5.1.0-mac.zip");
        if (!ZipBuilder::tree(newer(relay), zip))
            fail(QStringLiteral("Could not zip Relay"));
        const QByteArray bytes = readFile(zip);
        const QByteArray sha512 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha512).toBase64();
        writeFile(folder + QStringLiteral("/latest-mac.yml"),
                  "version: 5.1.0\nfiles:\n  - url: Relay-5.1.0-mac.zip\n    sha512: " + sha512 +
                      "\n    size: " + QByteArray::number(bytes.size()) + "\npath: Relay-5.1.0-mac.zip\nsha512: " +
                      sha512 + "\nreleaseDate: '2026-11-28T09:30:00.000Z'\n");
    }

    // The App Store lookup: a receipt in the bundle, a newer version in the store.
    {
        const Sample mosaic{QStringLiteral("Mosaic"), QStringLiteral("7.2"), QStringLiteral("7.3"), &pki().teamA};
        mosaic.bundle(apps + QStringLiteral("/Mosaic.app"), mosaic.installed)
            .resource(QStringLiteral("_MASReceipt/receipt"), QByteArrayLiteral("demo receipt"))
            .build();
        writeFile(lookups + QLatin1Char('/') + mosaic.bundleID() + QStringLiteral(".json"), json(QJsonObject{
            {QStringLiteral("resultCount"), 1},
            {QStringLiteral("results"),
             QJsonArray{QJsonObject{
                 {QStringLiteral("bundleId"), mosaic.bundleID()},
                 {QStringLiteral("version"), mosaic.offered},
                 {QStringLiteral("trackId"), 1234567890},
                 {QStringLiteral("releaseNotes"), QStringLiteral("Tiles snap to the grid again.")},
             }}},
        }));
    }

    // An installer package, offered by the cask catalogue.
    {
        const Sample ledger{QStringLiteral("Ledger"), QStringLiteral("4.1"), QStringLiteral("4.2"), &pki().teamA};
        ledger.bundle(apps + QStringLiteral("/Ledger.app"), ledger.installed).build();
        const QString built = newer(ledger);
        PackageBuilder package = PackageBuilder::teamA(true);
        package.installLocation(apps);
        const QString base = QFileInfo(built).absolutePath();
        QDirIterator walk(built, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        package.folder(QStringLiteral("Ledger.app"));
        while (walk.hasNext()) {
            const QString path = walk.next();
            const QString name = QDir(base).relativeFilePath(path);
            const QFileInfo info = walk.fileInfo();
            if (info.isSymLink())
                package.symlink(name, info.symLinkTarget());
            else if (info.isDir())
                package.folder(name);
            else
                package.file(name, readFile(path), info.isExecutable() ? 0755 : 0644);
        }
        const QString pkg = files + QStringLiteral("/Ledger-4.2.pkg");
        if (!package.write(pkg))
            fail(QStringLiteral("Could not write Ledger's package"));
        casks.append(QJsonObject{
            {QStringLiteral("token"), QStringLiteral("ledger")},
            {QStringLiteral("version"), ledger.offered},
            {QStringLiteral("url"), address(QStringLiteral("/files/Ledger-4.2.pkg"))},
            {QStringLiteral("sha256"), sha256(readFile(pkg))},
            {QStringLiteral("homepage"), QStringLiteral("https://ledger.example.org/")},
            {QStringLiteral("artifacts"),
             QJsonArray{QJsonObject{{QStringLiteral("pkg"), QJsonArray{QStringLiteral("Ledger-4.2.pkg")}}},
                        QJsonObject{{QStringLiteral("uninstall"),
                                     QJsonArray{QJsonObject{{QStringLiteral("quit"), ledger.bundleID()},
                                                            {QStringLiteral("pkgutil"), ledger.bundleID()}}}}}}},
        });
    }

    // No update source at all: it can't be verified.
    {
        const Sample driftwood{QStringLiteral("Driftwood"), QStringLiteral("1.0"), QString(), nullptr};
        driftwood.bundle(apps + QStringLiteral("/Driftwood.app"), driftwood.installed).build();
    }

    writeFile(served() + QStringLiteral("/api/cask.json"), json(casks));

    if (!quenlarkApp.isEmpty()) {
        const QString copy = apps + QStringLiteral("/Quenlark.app");
        try {
            TreeCopy::copy(quenlarkApp, copy);
        } catch (const std::exception& error) {
            fail(QStringLiteral("Could not copy ") + quenlarkApp + QStringLiteral(": ") + QString::fromUtf8(error.what()));
        }
    }
}
