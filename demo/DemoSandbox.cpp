#include "DemoSandbox.h"

#include "BundleBuilder.h"
#include "EdKey.h"
#include "MachOBuilder.h"
#include "PackageBuilder.h"
#include "SampleIcon.h"
#include "TestPki.h"
#include "UdifWriter.h"
#include "ZipBuilder.h"

#include "model/Scanner.h"
#include "platform/archives/TreeCopy.h"
#include "platform/system/PropertyList.h"

#include <QColor>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <sys/file.h>

namespace {

const QString idPrefix = QStringLiteral("com.quenlark.demo.");

void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

// The lock a running demo holds on its marker; the descriptor's lock goes with it, whatever ends
// the process.
void lockOrRefuse(int marker, const QString& root) {
    if (::flock(marker, LOCK_EX | LOCK_NB) != 0)
        fail(QStringLiteral("Another demo is running in ") + root +
             QStringLiteral("; quit it first, or give this one a folder of its own."));
}

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

// The sample's icon, our own drawing.
QByteArray icon(const QColor& colour, const std::function<void(QPainter&)>& glyph) {
    QByteArray bytes = SampleIcon::icns(colour, glyph);
    if (bytes.isEmpty())
        fail(QStringLiteral("Could not draw an icon (the icns image plug-in comes with qt6-image-formats-plugins)"));
    return bytes;
}

// One sample application: what is installed and what the server offers.
struct Sample {
    QString name;
    QString installed;
    QString offered; // "" when nothing newer is offered
    const TestPki::Identity* identity;
    QColor colour;
    std::function<void(QPainter&)> glyph;
    // What every version carries beyond its name and version (its feed, key, receipt), so that
    // an update leaves the application as verifiable as it was.
    QMap<QString, QString> info = {};
    QMap<QString, QByteArray> resources = {};

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
            .info(QStringLiteral("CFBundleIconFile"), QStringLiteral("AppIcon"))
            .resource(QStringLiteral("Resources/AppIcon.icns"), icon(colour, glyph))
            .resource(QStringLiteral("Resources/About.txt"), name.toUtf8() + " " + version.toUtf8() + "\n")
            .signedBy(identity);
        for (auto it = info.begin(); it != info.end(); ++it)
            builder.info(it.key(), it.value());
        for (auto it = resources.begin(); it != resources.end(); ++it)
            builder.resource(it.key(), it.value());
        return builder;
    }
};

// The glyphs, one per sample.
void sun(QPainter& p) {
    p.drawEllipse(QPointF(50, 50), 13, 13);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(50, 50);
        p.rotate(45 * i);
        p.drawLine(QPointF(0, -21), QPointF(0, -29));
        p.restore();
    }
}
void pebbles(QPainter& p) {
    p.drawEllipse(QPointF(50, 64), 25, 13);
    p.drawEllipse(QPointF(47, 41), 16, 9);
    p.drawEllipse(QPointF(52, 25), 8, 5);
}
void waves(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    for (const double y : {36.0, 52.0, 68.0}) {
        QPainterPath wave(QPointF(24, y));
        wave.cubicTo(QPointF(33, y - 9), QPointF(41, y - 9), QPointF(50, y));
        wave.cubicTo(QPointF(59, y + 9), QPointF(67, y + 9), QPointF(76, y));
        p.drawPath(wave);
    }
}
void feather(QPainter& p) {
    QPainterPath vane(QPointF(72, 22));
    vane.cubicTo(QPointF(46, 26), QPointF(32, 48), QPointF(36, 66));
    vane.cubicTo(QPointF(54, 62), QPointF(70, 44), QPointF(72, 22));
    p.drawPath(vane);
    p.drawLine(QPointF(36, 66), QPointF(26, 78));
}
void arrows(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(26, 40), QPointF(72, 40));
    p.drawPolyline(QPolygonF({QPointF(62, 30), QPointF(72, 40), QPointF(62, 50)}));
    p.drawLine(QPointF(74, 62), QPointF(28, 62));
    p.drawPolyline(QPolygonF({QPointF(38, 52), QPointF(28, 62), QPointF(38, 72)}));
}
void tiles(QPainter& p) {
    p.setPen(Qt::NoPen);
    for (const QPointF& at : {QPointF(27, 27), QPointF(53, 27), QPointF(27, 53), QPointF(53, 53)})
        p.drawRoundedRect(QRectF(at, QSizeF(20, 20)), 4, 4);
}
void book(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(30, 22, 40, 56), 5, 5);
    for (const double y : {38.0, 50.0, 62.0})
        p.drawLine(QPointF(40, y), QPointF(62, y));
}
void branch(QPainter& p) {
    p.drawLine(QPointF(26, 70), QPointF(74, 34));
    p.drawLine(QPointF(52, 51), QPointF(50, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(50, 28), 6, 6);
}

const TestPki& pki() { return TestPki::shared(); }

// The sandbox's own home folders, as the XDG base-directory variables name them.
const std::pair<const char*, const char*> homeFolders[] = {{"XDG_CONFIG_HOME", "/.config"},
                                                           {"XDG_DATA_HOME", "/.local/share"},
                                                           {"XDG_STATE_HOME", "/.local/state"},
                                                           {"XDG_CACHE_HOME", "/.cache"}};

// The sandbox's copy of Quenlark, signed by the demo's PKI and naming `feed`, as the samples are.
// Its program stays where it runs from, sealed as one of the bundle's files; Info.plist names a
// signed image beside it, as the samples' name theirs. Returns what its Info.plist held.
QVariantMap signCopy(const QString& copy, const QString& feed) {
    const QString plist = copy + QStringLiteral("/Contents/Info.plist");
    const auto info = PropertyList::dictionaryFromFile(plist);
    if (!info)
        fail(QStringLiteral("Could not read ") + plist);
    BundleBuilder builder(copy);
    builder.identifier(info->value(QStringLiteral("CFBundleIdentifier")).toString())
        .executableName(QStringLiteral("quenlark-signed"))
        .architectures({MachOBuilder::x86_64, MachOBuilder::arm64})
        .signedBy(&pki().teamA);
    for (auto it = info->cbegin(); it != info->cend(); ++it)
        if (it->typeId() == QMetaType::QString && it.key() != QLatin1String("CFBundleExecutable"))
            builder.info(it.key(), it->toString());
    builder.info(QStringLiteral("SUFeedURL"), feed);
    // Its links are sealed as links.
    const QDir contents(copy + QStringLiteral("/Contents"));
    QDirIterator walk(contents.path(), QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString path = walk.next();
        if (walk.fileInfo().isSymLink())
            builder.symlink(contents.relativeFilePath(path), QString::fromStdString(std::filesystem::read_symlink(
                                                                 QFile::encodeName(path).toStdString())));
    }
    builder.build();
    return *info;
}

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

QProcessEnvironment DemoSandbox::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUENLARK_ANCHORS"), anchors());
    // The sample package installs into the sandbox, which needs no administrator.
    environment.insert(QStringLiteral("QUENLARK_ELEVATION"), QStringLiteral("unprivileged"));
    // What the application keeps of its own (settings, the login item, the device id, its state
    // and caches) goes to the sandbox's home. The user's folders stay readable after it, for the
    // desktop's own settings (its browser, fonts and themes).
    const auto value = [&environment](const QString& name, const QString& fallback) {
        const QString set = environment.value(name);
        return set.isEmpty() ? fallback : set;
    };
    const QString user = QDir::homePath();
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                       value(QStringLiteral("XDG_CONFIG_DIRS"), QStringLiteral("/etc/xdg")) + u':' +
                           value(QStringLiteral("XDG_CONFIG_HOME"), user + QStringLiteral("/.config")));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"),
                       value(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/local/share:/usr/share")) + u':' +
                           value(QStringLiteral("XDG_DATA_HOME"), user + QStringLiteral("/.local/share")));
    for (const auto& [name, folder] : homeFolders)
        environment.insert(QLatin1String(name), home() + QLatin1String(folder));
    return environment;
}

QStringList DemoSandbox::sampleNames() {
    return {QStringLiteral("Lumen"), QStringLiteral("Pebble"), QStringLiteral("Harbor"), QStringLiteral("Quill"),
            QStringLiteral("Relay"), QStringLiteral("Mosaic"), QStringLiteral("Ledger"), QStringLiteral("Driftwood")};
}

QList<Cloud::Scanned> DemoSandbox::studio() const {
    QList<Cloud::Scanned> apps;
    const auto add = [&apps](const QString& folder, const QString& name, std::optional<Release> release) {
        if (const auto app = Scanner::read(folder + u'/' + name + QStringLiteral(".app"), folder))
            apps.append({*app, std::move(release)});
    };
    // Found through their feeds, or, like this Mac's, with nothing more to record.
    for (const QString& name :
         {QStringLiteral("Lumen"), QStringLiteral("Pebble"), QStringLiteral("Harbor"), QStringLiteral("Quill")})
        add(applications(), name, std::nullopt);
    const auto cask = [](const QString& token) {
        Release release;
        release.kind = SourceKind::homebrew;
        release.ref = token;
        return release;
    };
    add(studioApplications(), QStringLiteral("Atlas"), cask(QStringLiteral("atlas")));
    add(studioApplications(), QStringLiteral("Cadence"), cask(QStringLiteral("cadence")));
    add(studioApplications(), QStringLiteral("Tally"), cask(QStringLiteral("tally")));
    Release store;
    store.kind = SourceKind::appStore;
    store.storeURL = QUrl(QStringLiteral("macappstore://apps.apple.com/app/id2345678901"));
    add(studioApplications(), QStringLiteral("Sonar"), store);
    return apps;
}

QStringList DemoSandbox::namesWithUpdates() {
    return {QStringLiteral("Lumen"), QStringLiteral("Harbor"), QStringLiteral("Quill"),
            QStringLiteral("Relay"), QStringLiteral("Mosaic"), QStringLiteral("Ledger")};
}

// The root's marker, opened after refusing a folder of someone else's files; a new or empty root
// becomes a sandbox here.
UniqueFd DemoSandbox::openMarker() const {
    const QString marker = root_ + QLatin1Char('/') + QLatin1String(markerName);
    const QFileInfo rootInfo(root_);
    const QFileInfo markerInfo(marker);
    const bool ours = markerInfo.isFile() && !markerInfo.isSymLink();
    if (rootInfo.exists() && !(rootInfo.isDir() && (ours || QDir(root_).isEmpty(QDir::AllEntries | QDir::Hidden |
                                                                                QDir::System | QDir::NoDotAndDotDot))))
        fail(
            root_ + QStringLiteral(" is not a demo sandbox (it has no ") + QLatin1String(markerName) +
            QStringLiteral(" file), so nothing in it was touched. Remove it yourself, or name a new or empty folder."));
    if (!QDir().mkpath(root_))
        fail(QStringLiteral("Could not make ") + root_);
    UniqueFd fd(::open(QFile::encodeName(marker).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd)
        fail(QStringLiteral("Could not open ") + marker + QStringLiteral(": ") +
             QString::fromLocal8Bit(std::strerror(errno)));
    return fd;
}

void DemoSandbox::check() const { lockOrRefuse(openMarker().get(), root_); }

// Takes the root for this demo: refuses a folder of someone else's files and a sandbox another
// demo is using, then empties it, keeping only the locked marker and the emulators' logs.
void DemoSandbox::claim() {
    UniqueFd fd = openMarker();
    lockOrRefuse(fd.get(), root_);
    static const QByteArray note =
        "A Quenlark demo sandbox: the demo empties this folder, but for its Logs, each time it starts.\n";
    if (::ftruncate(fd.get(), 0) != 0 || ::pwrite(fd.get(), note.constData(), size_t(note.size()), 0) != note.size())
        fail(QStringLiteral("Could not write ") + root_ + QLatin1Char('/') + QLatin1String(markerName));
    marker_ = std::move(fd);

    // Entries are removed, never followed: QDir removes a link, not what it names.
    const QDir root(root_);
    for (const QFileInfo& entry :
         root.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const bool logFolder = entry.filePath() == logs() && entry.isDir() && !entry.isSymLink();
        if (entry.fileName() == QLatin1String(markerName) || logFolder)
            continue;
        const bool removed = entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                                 : QFile::remove(entry.filePath());
        if (!removed)
            fail(QStringLiteral("Could not clear ") + entry.filePath());
    }
}

void DemoSandbox::make(const QString& quenlarkApp) {
    claim();
    for (const QString& folder : {applications(), studioApplications(), anchors(), served(),
                                  root_ + QStringLiteral("/Trash"), root_ + QStringLiteral("/work")})
        QDir().mkpath(folder);
    for (const auto& entry : homeFolders)
        QDir().mkpath(home() + QLatin1String(entry.second));
    pki().writeAnchors(anchors());

    // Nothing beyond a year of requests or a year of time stops the server by itself. It keeps a
    // count of requests, no record of them, and reads no request body beyond a small bound:
    // nothing it serves takes one.
    server_ = std::make_unique<LoopbackServer>(1 << 30, std::chrono::hours(24 * 365));
    server_->keepRecords(0);
    server_->http().set_payload_max_length(64 * 1024);
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
    // The maker's page of a sample, which its cask or release names.
    auto page = [&](const QString& name) {
        const QString path = QStringLiteral("/pages/") + name.toLower() + QStringLiteral(".html");
        const QByteArray title = name.toUtf8();
        writeFile(served() + path, "<!DOCTYPE html>\n<title>" + title + "</title>\n<h1>" + title + "</h1>\n<p>" +
                                       title + "'s page, served by the Quenlark demo.</p>\n");
        return address(path);
    };
    // The newer version of a sample, built in the work folder.
    auto newer = [&](const Sample& sample) {
        const QString path =
            work + QLatin1Char('/') + sample.name + QLatin1Char('/') + sample.name + QStringLiteral(".app");
        sample.bundle(path, sample.offered).build();
        return path;
    };
    QJsonArray casks;

    // Sparkle: an appcast with an EdDSA-signed zip.
    {
        const EdKey key;
        const QString feed = QStringLiteral("/appcast/lumen.xml");
        const Sample lumen{
            QStringLiteral("Lumen"),
            QStringLiteral("1.4.0"),
            QStringLiteral("1.5.0"),
            &pki().teamA,
            QColor(236, 150, 30),
            sun,
            {{QStringLiteral("SUFeedURL"), address(feed)}, {QStringLiteral("SUPublicEDKey"), key.publicBase64()}}};
        lumen.bundle(apps + QStringLiteral("/Lumen.app"), lumen.installed).build();
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
)")
                                       .arg(address(QStringLiteral("/files/Lumen-1.5.0.zip")),
                                            QString::number(bytes.size()), key.sign(bytes))
                                       .toUtf8());
    }

    // Sparkle, current: the appcast offers what is installed.
    {
        const QString feed = QStringLiteral("/appcast/pebble.xml");
        const Sample pebble{QStringLiteral("Pebble"),
                            QStringLiteral("2.0.0"),
                            QString(),
                            &pki().teamB,
                            QColor(60, 150, 150),
                            pebbles,
                            {{QStringLiteral("SUFeedURL"), address(feed)}}};
        pebble.bundle(apps + QStringLiteral("/Pebble.app"), pebble.installed).build();
        // What it leaves in the Library when it is uninstalled.
        const QString library = root_ + QStringLiteral("/Library/");
        const QString id = pebble.bundleID();
        writeFile(library + QStringLiteral("Application Support/Pebble/Collections.db"), QByteArray(48 * 1024, 'p'));
        writeFile(library + QStringLiteral("Caches/") + id + QStringLiteral("/thumbnails.bin"),
                  QByteArray(256 * 1024, 't'));
        writeFile(library + QStringLiteral("Preferences/") + id + QStringLiteral(".plist"),
                  BundleBuilder::infoPlistXml({{QStringLiteral("LastCollection"), QStringLiteral("Beach")}}));
        writeFile(library + QStringLiteral("Saved Application State/") + id +
                      QStringLiteral(".savedState/windows.plist"),
                  BundleBuilder::infoPlistXml({{QStringLiteral("Frame"), QStringLiteral("{{80, 80}, {900, 600}}")}}));
        writeFile(library + QStringLiteral("LaunchAgents/") + id + QStringLiteral(".helper.plist"),
                  BundleBuilder::infoPlistXml({{QStringLiteral("Label"), id + QStringLiteral(".helper")}}));
        // What is installed, for a restore on a Mac without it.
        const QString zip = files + QStringLiteral("/Pebble-2.0.0.zip");
        if (!ZipBuilder::tree(apps + QStringLiteral("/Pebble.app"), zip))
            fail(QStringLiteral("Could not zip Pebble"));
        writeFile(served() + feed,
                  QStringLiteral(R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Pebble</title>
    <item>
      <title>Pebble 2.0.0</title>
      <sparkle:version>200</sparkle:version>
      <sparkle:shortVersionString>2.0.0</sparkle:shortVersionString>
      <enclosure url="%1" length="%2" type="application/octet-stream"/>
    </item>
  </channel>
</rss>
)")
                      .arg(address(QStringLiteral("/files/Pebble-2.0.0.zip")), QString::number(QFileInfo(zip).size()))
                      .toUtf8());
    }

    // The cask catalogue: a disk image with its digest.
    {
        const Sample harbor{QStringLiteral("Harbor"), QStringLiteral("3.1.0"),
                            QStringLiteral("3.2.0"),  &pki().teamB,
                            QColor(30, 120, 200),     waves};
        harbor.bundle(apps + QStringLiteral("/Harbor.app"), harbor.installed).build();
        // The file its cask's zap names.
        writeFile(root_ + QStringLiteral("/Library/Preferences/") + harbor.bundleID() + QStringLiteral(".plist"),
                  BundleBuilder::infoPlistXml({{QStringLiteral("Mooring"), QStringLiteral("North")}}));
        const QString iso = work + QStringLiteral("/Harbor.iso");
        const QString dmg = files + QStringLiteral("/Harbor-3.2.0.dmg");
        if (!makeIso(QFileInfo(newer(harbor)).absolutePath(), iso) || !UdifWriter{}.write(iso, dmg))
            fail(QStringLiteral("Could not make Harbor's disk image"));
        casks.append(QJsonObject{
            {QStringLiteral("token"), QStringLiteral("harbor")},
            {QStringLiteral("version"), harbor.offered},
            {QStringLiteral("url"), address(QStringLiteral("/files/Harbor-3.2.0.dmg"))},
            {QStringLiteral("sha256"), sha256(readFile(dmg))},
            {QStringLiteral("homepage"), page(harbor.name)},
            {QStringLiteral("artifacts"),
             QJsonArray{
                 QJsonObject{{QStringLiteral("app"), QJsonArray{QStringLiteral("Harbor.app")}}},
                 QJsonObject{{QStringLiteral("zap"),
                              QJsonArray{QJsonObject{{QStringLiteral("trash"),
                                                      QJsonArray{QStringLiteral("~/Library/Preferences/") +
                                                                 harbor.bundleID() + QStringLiteral(".plist")}}}}}}}},
        });
    }

    // GitHub releases, named by an unversioned cask's homepage.
    {
        const Sample quill{QStringLiteral("Quill"), QStringLiteral("0.9.0"),
                           QStringLiteral("1.0.0"), &pki().teamA,
                           QColor(130, 80, 200),    feather};
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
        writeFile(
            served() + QStringLiteral("/repos/quenlark-demo/quill/releases/latest"),
            json(QJsonObject{
                {QStringLiteral("tag_name"), QStringLiteral("v1.0.0")},
                {QStringLiteral("name"), QStringLiteral("Quill 1.0.0")},
                {QStringLiteral("body"),
                 QStringLiteral("The first stable release.\n\n- Outline view\n- **Export** to plain text")},
                {QStringLiteral("html_url"), page(quill.name)},
                {QStringLiteral("assets"), QJsonArray{QJsonObject{
                                               {QStringLiteral("name"), QStringLiteral("Quill-1.0.0-universal.zip")},
                                               {QStringLiteral("size"), double(bytes.size())},
                                               {QStringLiteral("digest"), QStringLiteral("sha256:") + sha256(bytes)},
                                               {QStringLiteral("browser_download_url"),
                                                address(QStringLiteral("/files/Quill-1.0.0-universal.zip"))},
                                           }}},
            }));
    }

    // electron-updater: app-update.yml in the bundle, latest-mac.yml beside the zip.
    {
        const Sample relay{QStringLiteral("Relay"),
                           QStringLiteral("5.0.1"),
                           QStringLiteral("5.1.0"),
                           &pki().teamB,
                           QColor(40, 160, 100),
                           arrows,
                           {},
                           {{QStringLiteral("Resources/app-update.yml"),
                             "provider: generic\nurl: " + address(QStringLiteral("/electron/relay")).toUtf8() +
                                 "\nupdaterCacheDirName: relay-updater\n"}}};
        relay.bundle(apps + QStringLiteral("/Relay.app"), relay.installed).build();
        const QString folder = served() + QStringLiteral("/electron/relay");
        QDir().mkpath(folder);
        const QString zip = folder + QStringLiteral("/Relay-5.1.0-mac.zip");
        if (!ZipBuilder::tree(newer(relay), zip))
            fail(QStringLiteral("Could not zip Relay"));
        const QByteArray bytes = readFile(zip);
        const QByteArray sha512 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha512).toBase64();
        writeFile(folder + QStringLiteral("/latest-mac.yml"),
                  "version: 5.1.0\nfiles:\n  - url: Relay-5.1.0-mac.zip\n    sha512: " + sha512 +
                      "\n    size: " + QByteArray::number(bytes.size()) +
                      "\npath: Relay-5.1.0-mac.zip\nsha512: " + sha512 + "\nreleaseDate: '2026-11-28T09:30:00.000Z'\n");
    }

    // The App Store lookup: a receipt in the bundle, a newer version in the store.
    {
        const Sample mosaic{QStringLiteral("Mosaic"),
                            QStringLiteral("7.2"),
                            QStringLiteral("7.3"),
                            &pki().teamA,
                            QColor(210, 70, 90),
                            tiles,
                            {},
                            {{QStringLiteral("_MASReceipt/receipt"), QByteArrayLiteral("demo receipt")}}};
        mosaic.bundle(apps + QStringLiteral("/Mosaic.app"), mosaic.installed).build();
        writeFile(lookups + QLatin1Char('/') + mosaic.bundleID() + QStringLiteral(".json"),
                  json(QJsonObject{
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

    // An installer package of the offered version, served under the cask `token`; it installs
    // into the sandbox.
    auto packaged = [&](const Sample& sample, const QString& token) {
        const QString built = newer(sample);
        // The app alone: the tests' stock package carries a placeholder bundle besides.
        PackageBuilder package;
        package.signedBy(pki().installerA).ticket(true);
        package.installLocation(apps);
        const QString base = QFileInfo(built).absolutePath();
        QDirIterator walk(built, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        package.folder(sample.name + QStringLiteral(".app"));
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
        const QString file = sample.name + u'-' + sample.offered + QStringLiteral(".pkg");
        const QString pkg = files + u'/' + file;
        if (!package.write(pkg))
            fail(QStringLiteral("Could not write ") + sample.name + QStringLiteral("'s package"));
        casks.append(QJsonObject{
            {QStringLiteral("token"), token},
            {QStringLiteral("version"), sample.offered},
            {QStringLiteral("url"), address(QStringLiteral("/files/") + file)},
            {QStringLiteral("sha256"), sha256(readFile(pkg))},
            {QStringLiteral("homepage"), page(sample.name)},
            {QStringLiteral("artifacts"),
             QJsonArray{QJsonObject{{QStringLiteral("pkg"), QJsonArray{file}}},
                        QJsonObject{{QStringLiteral("uninstall"),
                                     QJsonArray{QJsonObject{{QStringLiteral("quit"), sample.bundleID()},
                                                            {QStringLiteral("pkgutil"), sample.bundleID()}}}}}}},
        });
    };

    // An installer package, offered by the cask catalogue.
    {
        const Sample ledger{QStringLiteral("Ledger"), QStringLiteral("4.1"),
                            QStringLiteral("4.2"),    &pki().teamA,
                            QColor(60, 70, 90),       book};
        ledger.bundle(apps + QStringLiteral("/Ledger.app"), ledger.installed).build();
        packaged(ledger, QStringLiteral("ledger"));
    }

    // The apps only the account's other Mac, "Studio", has: in a folder this Mac never scans, at
    // the versions the server offers, so that a restore can fetch them.
    {
        const QString studio = studioApplications();
        const Sample atlas{QStringLiteral("Atlas"), QStringLiteral("2.4"),
                           QStringLiteral("2.4"),   &pki().teamB,
                           QColor(90, 110, 220),    waves};
        atlas.bundle(studio + QStringLiteral("/Atlas.app"), atlas.installed).build();
        const QString zip = files + QStringLiteral("/Atlas-2.4.zip");
        if (!ZipBuilder::tree(newer(atlas), zip))
            fail(QStringLiteral("Could not zip Atlas"));
        casks.append(QJsonObject{
            {QStringLiteral("token"), QStringLiteral("atlas")},
            {QStringLiteral("version"), atlas.offered},
            {QStringLiteral("url"), address(QStringLiteral("/files/Atlas-2.4.zip"))},
            {QStringLiteral("sha256"), sha256(readFile(zip))},
            {QStringLiteral("homepage"), page(atlas.name)},
            {QStringLiteral("artifacts"),
             QJsonArray{QJsonObject{{QStringLiteral("app"), QJsonArray{QStringLiteral("Atlas.app")}}}}},
        });
        for (const Sample& sample : {Sample{QStringLiteral("Cadence"), QStringLiteral("3.0"), QStringLiteral("3.0"),
                                            &pki().teamA, QColor(220, 120, 60), arrows},
                                     Sample{QStringLiteral("Tally"), QStringLiteral("1.2"), QStringLiteral("1.2"),
                                            &pki().teamA, QColor(70, 150, 90), book}}) {
            sample.bundle(studio + u'/' + sample.name + QStringLiteral(".app"), sample.installed).build();
            packaged(sample, sample.name.toLower());
        }
        const Sample sonar{QStringLiteral("Sonar"),
                           QStringLiteral("6.1"),
                           QString(),
                           &pki().teamA,
                           QColor(200, 60, 140),
                           sun,
                           {},
                           {{QStringLiteral("_MASReceipt/receipt"), QByteArrayLiteral("demo receipt")}}};
        sonar.bundle(studio + QStringLiteral("/Sonar.app"), sonar.installed).build();
    }

    // No update source at all: it can't be verified.
    {
        const Sample driftwood{
            QStringLiteral("Driftwood"), QStringLiteral("1.0"), QString(), nullptr, QColor(150, 110, 70), branch};
        driftwood.bundle(apps + QStringLiteral("/Driftwood.app"), driftwood.installed).build();
    }

    writeFile(served() + QStringLiteral("/api/cask.json"), json(casks));

    if (!quenlarkApp.isEmpty()) {
        const QString copy = apps + QStringLiteral("/Quenlark.app");
        try {
            TreeCopy::copy(quenlarkApp, copy);
        } catch (const std::exception& error) {
            fail(QStringLiteral("Could not copy ") + quenlarkApp + QStringLiteral(": ") +
                 QString::fromUtf8(error.what()));
        }
        const QString feed = QStringLiteral("/appcast/quenlark.xml");
        const QVariantMap info = signCopy(copy, address(feed));
        // Current, with nothing to download: it is the copy that runs, and this Mac never lacks it.
        writeFile(served() + feed, QStringLiteral(R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Quenlark</title>
    <item>
      <title>Quenlark %1</title>
      <sparkle:version>%2</sparkle:version>
      <sparkle:shortVersionString>%1</sparkle:shortVersionString>
    </item>
  </channel>
</rss>
)")
                                       .arg(info.value(QStringLiteral("CFBundleShortVersionString")).toString(),
                                            info.value(QStringLiteral("CFBundleVersion")).toString())
                                       .toUtf8());
    }
}
