#include "ScreenSamples.h"

#include "SampleIcon.h"

#include "platform/system/PropertyList.h"
#include "runtime/Blocking.h"
#include "runtime/MakeShared.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QThread>

namespace ScreenSamples {

namespace {
// An icon of our own with a letter.
void writeIcon(const QString& path, const QColor& colour, const QString& letter) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(SampleIcon::icns(colour, [&letter](QPainter& painter) {
            QFont font;
            font.setPixelSize(51);
            font.setBold(true);
            painter.setFont(font);
            painter.drawText(QRectF(8, 8, 84, 84), Qt::AlignCenter, letter);
        }));
}

InstalledApp bundle(const QString& folder, const QString& name, const QString& id, std::optional<QString> version,
                    std::optional<QString> build, std::optional<QString> team, std::optional<QColor> icon) {
    InstalledApp app;
    app.folder = folder;
    app.url = folder + QLatin1Char('/') + name + QStringLiteral(".app");
    app.name = name;
    app.bundleID = id;
    app.version = std::move(version);
    app.build = std::move(build);
    app.team = std::move(team);
    QDir().mkpath(app.url + QStringLiteral("/Contents/Resources"));
    QVariantMap info{{QStringLiteral("CFBundleIdentifier"), id}, {QStringLiteral("CFBundleName"), name}};
    if (icon) {
        info.insert(QStringLiteral("CFBundleIconFile"), QStringLiteral("AppIcon"));
        writeIcon(app.url + QStringLiteral("/Contents/Resources/AppIcon.icns"), *icon, name.left(1));
    }
    QFile plist(app.url + QStringLiteral("/Contents/Info.plist"));
    if (plist.open(QIODevice::WriteOnly))
        plist.write(PropertyList::toXml(info).value_or(QByteArray()));
    return app;
}

Release release(SourceKind kind, QString version, bool download, bool page, std::optional<QString> notes = {}) {
    Release r;
    r.kind = kind;
    r.version = std::move(version);
    if (download)
        r.download = Download{QUrl(QStringLiteral("http://127.0.0.1:8765/downloads/app.zip")), 48'213'004,
                              QStringLiteral("9f2c"), std::nullopt, std::nullopt};
    if (page)
        r.notesURL = QUrl(QStringLiteral("https://example.org/releases"));
    r.notes = std::move(notes);
    return r;
}

QList<Attempt> attempts(SourceKind passed, const QString& found) {
    using O = Attempt::Outcome;
    QList<Attempt> list;
    list.append(Attempt(SourceKind::appStore, QStringLiteral("http://127.0.0.1:8765/lookup?bundleId=org.example"),
                        std::nullopt, O::skipped(QStringLiteral("No App Store receipt"))));
    if (passed == SourceKind::appStore) {
        list.clear();
        list.append(Attempt(SourceKind::appStore, QStringLiteral("http://127.0.0.1:8765/lookup?bundleId=org.example"),
                            found, O::pass()));
        return list;
    }
    list.append(Attempt(SourceKind::sparkle,
                        QStringLiteral("http://127.0.0.1:8765/appcasts/very/long/path/to/the/"
                                       "feed/of/this/application/appcast.xml?channel=stable"),
                        passed == SourceKind::sparkle ? std::optional<QString>(found) : std::nullopt,
                        passed == SourceKind::sparkle ? O::pass() : O::fail(QStringLiteral("The feed answered 404"))));
    if (passed != SourceKind::sparkle)
        list.append(Attempt(passed, QStringLiteral("http://127.0.0.1:8765/api/latest"), found, O::pass()));
    return list;
}
} // namespace

QList<Sample> rows(const QString& folder) {
    const QString notes =
        QStringLiteral("**Faster** start-up and a _new_ sidebar.\n- Fixed a crash when opening `~/Documents`\n- See "
                       "[the announcement](https://example.org/blog) for details");
    QList<Sample> samples;
    auto add = [&](const QString& state, InstalledApp app, Status status, std::optional<Release> rel,
                   InstallPhase phase, QList<Attempt> tried = {}, QStringList log = {}, bool checking = false) {
        auto item = makeShared<AppItem>(std::move(app));
        item->setStatus(std::move(status));
        item->setRelease(std::move(rel));
        item->setPhase(std::move(phase));
        item->setAttempts(std::move(tried));
        item->setInstallLog(std::move(log));
        item->setChecking(checking);
        samples.append({state, item});
    };
    const QColor blue(40, 110, 230), purple(130, 80, 220), green(40, 160, 90), orange(230, 130, 30), red(210, 60, 60),
        teal(30, 150, 160), gray(110, 110, 120);
    const QString team = QStringLiteral("Q7DEMO4242");

    add(QStringLiteral("update"),
        bundle(folder, QStringLiteral("Lumen"), QStringLiteral("org.demo.lumen"), "2.3.1", "231", team, blue),
        Status::update(), release(SourceKind::sparkle, QStringLiteral("2.4.0"), true, true, notes),
        InstallPhase::idle(), attempts(SourceKind::sparkle, QStringLiteral("2.4.0")));
    add(QStringLiteral("update-github"),
        bundle(folder, QStringLiteral("Tessera"), QStringLiteral("io.demo.tessera"), "0.9.12", std::nullopt, team,
               purple),
        Status::update(), release(SourceKind::github, QStringLiteral("1.0.0"), true, true, notes), InstallPhase::idle(),
        attempts(SourceKind::github, QStringLiteral("1.0.0")));
    add(QStringLiteral("update-appstore"),
        bundle(folder, QStringLiteral("Notewell"), QStringLiteral("com.demo.notewell"), "5.1", "5100", team, orange),
        Status::update(), release(SourceKind::appStore, QStringLiteral("5.2"), false, false), InstallPhase::idle(),
        attempts(SourceKind::appStore, QStringLiteral("5.2")));
    add(QStringLiteral("update-electron"),
        bundle(folder, QStringLiteral("Chatter"), QStringLiteral("com.demo.chatter"), "3.0.2", std::nullopt, team,
               teal),
        Status::update(), release(SourceKind::electron, QStringLiteral("3.1.0"), true, false), InstallPhase::idle(),
        attempts(SourceKind::electron, QStringLiteral("3.1.0")));
    add(QStringLiteral("update-download"),
        bundle(folder, QStringLiteral("Sketchpad"), QStringLiteral("net.demo.sketchpad"), "1.4", std::nullopt,
               std::nullopt, std::nullopt),
        Status::update(), release(SourceKind::homebrew, QStringLiteral("1.5"), true, true), InstallPhase::idle(),
        attempts(SourceKind::homebrew, QStringLiteral("1.5")));
    add(QStringLiteral("up-to-date"),
        bundle(folder, QStringLiteral("Calcite"), QStringLiteral("org.demo.calcite"), "4.0", "400", team, green),
        Status::upToDate(), release(SourceKind::sparkle, QStringLiteral("4.0"), true, true), InstallPhase::idle(),
        attempts(SourceKind::sparkle, QStringLiteral("4.0")));
    add(QStringLiteral("checking"),
        bundle(folder, QStringLiteral("Waveform"), QStringLiteral("org.demo.waveform"), "12.0.0-beta.3+build.20261201",
               std::nullopt, team, blue),
        Status::checking(), std::nullopt, InstallPhase::idle(), {}, {}, true);
    add(QStringLiteral("cant-verify"),
        bundle(folder, QStringLiteral("Oldtimer"), QStringLiteral("org.demo.oldtimer"), "1.0", std::nullopt,
               std::nullopt, std::nullopt),
        Status::cantVerify(QStringLiteral("Sparkle: The feed answered 404")), std::nullopt, InstallPhase::idle(),
        attempts(SourceKind::homebrew, QString()).mid(0, 2));
    add(QStringLiteral("ignored"),
        bundle(folder, QStringLiteral("Safari"), QStringLiteral("com.apple.Safari"), "17.2", "19617", std::nullopt,
               gray),
        Status::ignored(QStringLiteral("You're ignoring this app")), std::nullopt, InstallPhase::idle());
    add(QStringLiteral("queued"),
        bundle(folder, QStringLiteral("Harbor"), QStringLiteral("org.demo.harbor"), "2.0", "20", team, teal),
        Status::update(), release(SourceKind::sparkle, QStringLiteral("2.1"), true, true), InstallPhase::queued(),
        attempts(SourceKind::sparkle, QStringLiteral("2.1")));
    add(QStringLiteral("downloading"),
        bundle(folder, QStringLiteral("Lumen Pro"), QStringLiteral("org.demo.lumenpro"), "2.3.1", "231", team, purple),
        Status::update(), release(SourceKind::sparkle, QStringLiteral("2.4.0"), true, true, notes),
        InstallPhase::downloading(0.425), attempts(SourceKind::sparkle, QStringLiteral("2.4.0")));
    add(QStringLiteral("verifying"),
        bundle(folder, QStringLiteral("Tessera Lab"), QStringLiteral("io.demo.tesseralab"), "0.9", std::nullopt, team,
               green),
        Status::update(), release(SourceKind::github, QStringLiteral("1.0"), true, true), InstallPhase::verifying(),
        attempts(SourceKind::github, QStringLiteral("1.0")));
    add(QStringLiteral("installing"),
        bundle(folder, QStringLiteral("Mosaic"), QStringLiteral("io.demo.mosaic"), "3.3", std::nullopt, team, orange),
        Status::update(), release(SourceKind::homebrew, QStringLiteral("3.4"), true, true), InstallPhase::installing(),
        attempts(SourceKind::homebrew, QStringLiteral("3.4")));
    add(QStringLiteral("done"),
        bundle(folder, QStringLiteral("Pebble"), QStringLiteral("org.demo.pebble"), "1.8", "180", team, blue),
        Status::upToDate(), release(SourceKind::sparkle, QStringLiteral("1.8"), true, true), InstallPhase::done(),
        attempts(SourceKind::sparkle, QStringLiteral("1.8")),
        {QStringLiteral("Download size matches the feed (48.2 MB)."), QStringLiteral("SHA-256 checksum matches."),
         QStringLiteral("Signed by the same team as the installed copy (Q7DEMO4242)."),
         QStringLiteral("The old copy went to the Trash.")});
    const QString failure = QStringLiteral("The download's checksum doesn't match what the feed lists.");
    add(QStringLiteral("failed"),
        bundle(folder, QStringLiteral("Ridge"), QStringLiteral("org.demo.ridge"), "6.0", "600", team, red),
        Status::update(), release(SourceKind::sparkle, QStringLiteral("6.1"), true, true),
        InstallPhase::failed(failure), attempts(SourceKind::sparkle, QStringLiteral("6.1")),
        {QStringLiteral("Update failed: ") + failure, QStringLiteral("Ridge was left untouched.")});
    add(QStringLiteral("blocked"),
        bundle(folder, QStringLiteral("Beacon"), QStringLiteral("org.demo.beacon"), "2.2", std::nullopt, team, teal),
        Status::update(), release(SourceKind::sparkle, QStringLiteral("2.3"), true, true), InstallPhase::blocked(),
        attempts(SourceKind::sparkle, QStringLiteral("2.3")),
        {QStringLiteral("macOS needs App Management permission before Quenlark can change Beacon.")});
    return samples;
}

void settle(int atLeast, const std::function<bool()>& until) {
    QElapsedTimer timer;
    timer.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    } while (timer.elapsed() < 3000 && (timer.elapsed() < atLeast || (until ? !until() : Blocking::inFlight() > 0)));
    QApplication::processEvents();
}

QList<Leftover> leftovers(const QString& library) {
    return {
        {library + QStringLiteral("/Application Support/Lumen"), 184'320'000, false},
        {library + QStringLiteral("/Caches/org.demo.lumen"), 23'500'000, false},
        {library + QStringLiteral("/Preferences/org.demo.lumen.plist"), 4'096, false},
        {library + QStringLiteral("/Saved Application State/org.demo.lumen.savedState"), std::nullopt, false},
        {library + QStringLiteral("/Application Support/DemoSDK/Shared Frameworks and Very Long Folder Names"),
         912'000'000, true},
    };
}

} // namespace ScreenSamples
