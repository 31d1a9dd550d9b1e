#include "DashboardScreens.h"

#include "SampleSession.h"
#include "ScreenSamples.h"
#include "StoreHarness.h"

#include "onboarding/Tour.h"
#include "onboarding/ui/TourCard.h"
#include "onboarding/ui/TourOverlay.h"
#include "runtime/MakeShared.h"
#include "store/LibraryItem.h"
#include "views/MainView.h"
#include "views/dashboard/Hero.h"
#include "views/kit/FittedLabel.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <functional>

using namespace std::chrono_literals;

namespace DashboardScreens {

namespace {
struct Scene {
    QString name;
    bool allCurrent = false;
    QSize size{1120, 780};
    // Brings the harness's store into the state shown; the view already watches it.
    std::function<void(StoreHarness&, Store&)> stage;
    int tour = -1; // the guided tour's step shown over it
};

// The sample applications, found by a scan and checked against the harness's feeds: the
// updates the samples offer, the same version for the current ones, nothing for the rest.
void offerSamples(StoreHarness& h, const QString& bundles, bool allCurrent) {
    for (const auto& sample : ScreenSamples::rows(bundles)) {
        const InstalledApp& shown = sample.item->app();
        InstalledApp app = StoreHarness::app(shown.name, shown.version.value_or(QStringLiteral("1.0")), bundles);
        app.url = shown.url;
        app.bundleID = shown.bundleID;
        app.team = shown.team;
        app.build = shown.build;
        h.apps.append(app);
        const auto& release = sample.item->release();
        if (allCurrent || (release && sample.item->status().kind() == Status::Kind::upToDate))
            h.offer(app, StoreHarness::release(*app.version));
        else if (release && sample.item->status().kind() == Status::Kind::update)
            h.offer(app, StoreHarness::release(release->version.value_or(QStringLiteral("2.0")), release->kind));
    }
}

std::shared_ptr<AppItem> named(Store& store, const QString& name) {
    for (const auto& row : store.items())
        if (row->app().name == name)
            return row;
    return nullptr;
}

void finish(StoreHarness& h, Store& store) { h.settle(h.start(store.refresh())); }
} // namespace

bool render(const QString& out, const QString& theme, const QString& bundles) {
    const QList<Scene> scenes{
        {QStringLiteral("first-scan"),
         false,
         {1120, 780},
         [](StoreHarness& h, Store& s) {
             h.start(s.refresh());
             h.clock.advance(40ms);
         }},
        {QStringLiteral("checking"),
         false,
         {1120, 780},
         [](StoreHarness& h, Store& s) {
             h.start(s.refresh());
             h.clock.advance(1200ms);
         }},
        // Wider than the column's 1200 cap: the column stays centred.
        {QStringLiteral("all-current-wide"), true, {1440, 820}, finish},
        {QStringLiteral("updates"), false, {1120, 780}, finish},
        {QStringLiteral("updates-narrow"), false, {860, 640}, finish},
        {QStringLiteral("blocked"),
         false,
         {1120, 780},
         [](StoreHarness& h, Store& s) {
             finish(h, s);
             s.setAppManagement(Permissions::State::denied);
             for (const QString& name : {QStringLiteral("Beacon"), QStringLiteral("Ridge")})
                 if (auto row = named(s, name))
                     row->setPhase(InstallPhase::blocked());
         }},
        {QStringLiteral("no-matches"),
         false,
         {1120, 780},
         [](StoreHarness& h, Store& s) {
             finish(h, s);
             s.setQuery(QStringLiteral("  zebra "));
         }},
        // An unconfirmed password account: its tile under the controls row.
        {QStringLiteral("confirm-email"),
         false,
         {1120, 780},
         [](StoreHarness& h, Store& s) {
             finish(h, s);
             s.setSession(sampleSession());
         }},
        // The library's two questions over the dashboard.
        {QStringLiteral("package-consent"),
         false,
         {1120, 780},
         [](StoreHarness& h, Store& s) {
             finish(h, s);
             h.start(s.askPackageConsent({QStringLiteral("Ledger"),
                                          QStringLiteral("Developer ID Installer: Ada Example (AAAAAAAAAA)"),
                                          QStringLiteral("AAAAAAAAAA"), true, true, true}));
         }},
        {QStringLiteral("library-removal"),
         false,
         {1120, 780},
         [](StoreHarness& h, Store& s) {
             finish(h, s);
             Store::LibraryRows entries;
             for (const bool installed : {true, false, false}) {
                 LibraryApp app;
                 app.id = QStringLiteral("com.example.") + QString::number(entries.size());
                 app.name = QStringLiteral("App");
                 app.devices.insert(QStringLiteral("studio"),
                                    {QStringLiteral("1.0"), installed, QDateTime::currentDateTimeUtc()});
                 entries.append(makeShared<LibraryItem>(app));
             }
             s.setLibraryRemoval(entries);
         }},
        {QStringLiteral("uninstall"),
         false,
         {1120, 780},
         [](StoreHarness& h, Store& s) {
             finish(h, s);
             s.setNotice(QStringLiteral("Moved Oldtimer to the Trash."), QStringLiteral("trash"));
             s.setRemoving(named(s, QStringLiteral("Lumen")));
         }},
    };
    QList<Scene> all = scenes;
    for (int step = 0; step < Tour::steps().size(); ++step)
        all.append({QStringLiteral("tour-%1").arg(step), false, {1120, 780}, finish, step});
    // A window narrower than the card's room beside an element near its edge.
    all.append({QStringLiteral("tour-1-narrow"), false, {860, 640}, finish, 1});
    bool ok = true;
    for (const auto& scene : all) {
        StoreHarness h;
        h.checkDelay = 1000ms;
        h.appManagementAnswer = Permissions::State::unknown;
        offerSamples(h, bundles + QLatin1Char('/') + scene.name, scene.allCurrent);
        Store& store = h.build();
        MainView view(store, *h.prefs, h.clock);
        view.resize(scene.size);
        view.show();
        ScreenSamples::settle(80);
        scene.stage(h, store);
        ScreenSamples::settle(80);
        if (scene.tour >= 0) {
            Tour::start(store);
            Tour::go(store, *h.prefs, scene.tour);
            ScreenSamples::settle(80);
            if (NotchDemo* demo = view.tourOverlay()->card()->notchDemo())
                demo->holdAt(4.2);
            view.tourOverlay()->follow();
            ScreenSamples::settle(20);
        }
        const QString path =
            out + QStringLiteral("/dashboard-") + scene.name + QLatin1Char('-') + theme + QStringLiteral(".png");
        const bool saved = view.grab().save(path);
        std::printf("%s %s (%s)\n", saved ? "wrote" : "FAILED", qPrintable(path),
                    qPrintable(view.hero()->headline()->text()));
        ok &= saved;
    }
    return ok;
}

} // namespace DashboardScreens
