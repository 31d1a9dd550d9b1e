#include "LibraryScreens.h"

#include "SampleSession.h"
#include "ScreenSamples.h"
#include "StoreHarness.h"

#include "library/ui/LibraryView.h"
#include "library/ui/MacPicker.h"
#include "platform/gui/Palette.h"
#include "runtime/MakeShared.h"
#include "store/LibraryItem.h"
#include "views/MainView.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

class Backdrop : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Palette::current().window()); }
};

bool write(QWidget& widget, const QString& path) {
    const bool ok = widget.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

const QString here = u"dhere"_s;

QList<Device> macs(const QDateTime& now) {
    return {
        {here, u"Studio"_s, u"Mac14,13"_s, now.addSecs(-60), {}},
        {u"dlaptop1"_s, u"Ada's MacBook"_s, u"Mac15,3"_s, now.addDays(-2), {}},
        {u"dlaptop2"_s, u"Ada's MacBook"_s, u"Mac14,2"_s, now.addDays(-40), {}},
    };
}

LibraryApp app(const QString& name, QMap<QString, LibraryApp::OnDevice> on, std::optional<QString> source = {}) {
    LibraryApp a;
    a.id = u"com.example."_s + QString(name).remove(u' ').toLower();
    a.name = name;
    a.source = std::move(source);
    a.devices = std::move(on);
    return a;
}

// Every phase a row shows, and the idle routes.
QList<LibraryApp> sampleApps(const QDateTime& now) {
    const LibraryApp::OnDevice laptop{u"1.0"_s, true, now.addDays(-2)};
    const LibraryApp::OnDevice gone{u"1.0"_s, false, now.addDays(-30)};
    const LibraryApp::OnDevice mine{u"1.0"_s, true, now};
    QList<LibraryApp> apps{
        app(u"Atlas"_s, {{u"dlaptop1"_s, laptop}}, u"Sparkle"_s),
        app(u"Beacon"_s, {{u"dlaptop1"_s, laptop}, {u"dlaptop2"_s, laptop}}, u"GitHub Releases"_s),
        app(u"Cobalt"_s, {{u"dlaptop2"_s, laptop}}, u"Homebrew cask"_s),
        app(u"Drift"_s, {{u"dlaptop1"_s, laptop}}, u"Sparkle"_s),
        app(u"Ember"_s, {{u"dlaptop1"_s, laptop}}, u"Sparkle"_s),
        app(u"Fjord"_s, {{u"dlaptop1"_s, laptop}}, u"Electron"_s),
        app(u"Glint"_s, {{u"dlaptop1"_s, gone}}),
        app(u"Harbor"_s, {{u"dlaptop1"_s, laptop}}, u"Mac App Store"_s),
        app(u"Iris"_s, {{here, mine}, {u"dlaptop1"_s, laptop}}, u"Sparkle"_s),
        app(u"Juniper"_s, {{u"dlaptop2"_s, laptop}}),
    };
    apps[7].storeURL = u"https://apps.apple.com/app/id123"_s;
    return apps;
}

struct Scene {
    StoreHarness h;
    Backdrop host;
    LibraryView* view = nullptr;

    explicit Scene(bool signedIn, QList<LibraryApp> apps = {}) {
        h.clock.setNow(QDateTime(QDate(2026, 3, 14), QTime(10, 0), Qt::UTC));
        h.cloud = CloudConfig{u"key"_s, u"demo-screens"_s, {}, u"http://127.0.0.1:9"_s, u"http://127.0.0.1:9"_s, true};
        h.libraryApps = std::move(apps);
        h.libraryDevices = macs(h.clock.now());
        h.deviceID = here;
        Store& s = h.build();
        if (signedIn) {
            s.setSession(sampleSession(u"google.com"_s, true));
            Store::LibraryRows rows;
            for (const LibraryApp& a : h.libraryApps)
                rows.append(makeShared<LibraryItem>(a));
            s.setLibrary(rows);
            s.setDevices(h.libraryDevices);
        }
        host.resize(1040, 640);
        auto* column = new QVBoxLayout(&host);
        column->setContentsMargins(24, 16, 24, 0);
        view = new LibraryView(s, h.clock, &host);
        column->addWidget(view);
    }

    std::shared_ptr<LibraryItem> item(const QString& name) {
        for (const auto& i : h.store().library())
            if (i->app().name == name)
                return i;
        return {};
    }

    bool save(const QString& path) {
        host.show();
        ScreenSamples::settle(150);
        view->flush();
        ScreenSamples::settle(100);
        const bool ok = write(host, path);
        host.hide();
        return ok;
    }
};

} // namespace

bool LibraryScreens::render(const QString& out, const QString& theme) {
    bool ok = true;
    auto name = [&](const QString& state) { return out + u"/library-"_s + state + u"-"_s + theme + u".png"_s; };

    {
        Scene scene(false);
        ok &= scene.save(name(u"signed-out"_s));
    }
    {
        Scene scene(true);
        scene.h.store().setLibraryTab(LibraryTab::all);
        scene.h.store().setSyncing(true);
        ok &= scene.save(name(u"loading"_s));
    }
    for (LibraryTab tab : LibraryTabs::all()) {
        Scene scene(true);
        scene.h.store().setLibraryTab(tab);
        ok &= scene.save(name(u"empty-"_s + QString::number(static_cast<int>(tab))));
    }
    {
        Scene scene(true, sampleApps(QDateTime(QDate(2026, 3, 14), QTime(10, 0), Qt::UTC)));
        Store& s = scene.h.store();
        s.setLibraryTab(LibraryTab::all);
        scene.item(u"Atlas"_s)->setPhase(InstallPhase::queued());
        scene.item(u"Beacon"_s)->setPhase(InstallPhase::downloading(0.125));
        scene.item(u"Cobalt"_s)->setPhase(InstallPhase::verifying());
        scene.item(u"Drift"_s)->setPhase(InstallPhase::installing());
        scene.item(u"Ember"_s)->setPhase(InstallPhase::done());
        scene.item(u"Ember"_s)->setTeam(u"A1B2C3D4E5"_s);
        scene.item(u"Ember"_s)->setNote(u"Installed into ~/Applications: /Applications isn't writable."_s);
        scene.item(u"Fjord"_s)->setPhase(InstallPhase::failed(u"The download didn't match its checksum."_s));
        scene.item(u"Fjord"_s)->setNote(u"Sparkle: The download didn't match its checksum."_s);
        scene.item(u"Glint"_s)->setPhase(InstallPhase::blocked());
        scene.item(u"Glint"_s)->setNote(u"Quenlark needs the App Management permission to install Glint."_s);
        scene.item(u"Juniper"_s)
            ->setRoute(Route::manual(QUrl(u"https://juniper.example/download"_s),
                                     u"No verified download was found for Juniper."_s));
        ok &= scene.save(name(u"phases"_s));

        // Ticked rows on the first tab: the bar counts them and offers the removal.
        s.setLibraryTab(LibraryTab::missing);
        scene.item(u"Juniper"_s)->setRoute(std::nullopt);
        scene.item(u"Juniper"_s)->setSelected(true);
        ok &= scene.save(name(u"ticked"_s));

        // Set once on screen: showing the screen syncs, and a sync that ends well clears it.
        scene.host.show();
        ScreenSamples::settle(100);
        s.setSyncError(u"Library sync failed: HTTP 503"_s);
        ok &= scene.save(name(u"sync-error"_s));

        // The Mac picker's menu: two Macs of one name told apart.
        scene.host.show();
        ScreenSamples::settle(100);
        QMenu menu;
        scene.view->macPicker()->fill(menu);
        menu.adjustSize();
        ok &= write(menu, name(u"mac-picker"_s));
        scene.view->setDevice(u"dlaptop2"_s);
        ok &= scene.save(name(u"chosen-mac"_s));
    }
    {
        // In the main window, under its library filter.
        Scene scene(true, sampleApps(QDateTime(QDate(2026, 3, 14), QTime(10, 0), Qt::UTC)));
        Store& s = scene.h.store();
        s.setFilter(Filter::library);
        scene.item(u"Juniper"_s)->setSelected(true);
        MainView main(s, *scene.h.prefs, scene.h.clock);
        main.resize(1120, 780);
        main.show();
        ScreenSamples::settle(250);
        ok &= write(main, name(u"main-window"_s));
    }
    return ok;
}
