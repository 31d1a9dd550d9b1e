#include "SettingsScreens.h"

#include "SampleSession.h"
#include "ScreenSamples.h"
#include "StoreHarness.h"

#include "MemoryLoginChoice.h"
#include "NoAccountDeletion.h"
#include "platform/gui/Palette.h"
#include "runtime/MakeShared.h"
#include "settings/SettingsModel.h"
#include "settings/ui/SettingsView.h"

#include <QApplication>

#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// One picture of the window on `tab` after `arrange` set the store and the settings.
// With `switched`, the window opens in the other appearance and this one is applied while it is
// open, as choosing it in the General tab does.
bool shot(const QString& out, const QString& name, const QString& tab,
          const std::function<void(StoreHarness&, Store&)>& arrange, bool switched = false) {
    const bool dark = Palette::current().isDark();
    auto appear = [](bool asDark) {
        Palette::setDark(asDark);
        QApplication::setPalette(Palette::current().qtPalette());
    };
    if (switched)
        appear(!dark);
    StoreHarness h;
    Store& store = h.build();
    if (arrange)
        arrange(h, store);
    store.setSettingsTab(tab);
    MemoryLoginChoice login;
    NoAccountDeletion deletion;
    SettingsView view(
        std::make_unique<SettingsModel>(SettingsModel::Services{store, *h.prefs, login, deletion, h.clock}));
    view.show();
    ScreenSamples::settle();
    if (switched) {
        appear(dark);
        ScreenSamples::settle();
    }
    const QString path = out + u"/settings-"_s + name + u".png"_s;
    const bool ok = view.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

namespace SettingsScreens {

bool render(const QString& out, const QString& theme) {
    const QString t = u"-"_s + theme;
    bool ok = true;
    ok &= shot(out, u"general"_s + t, u"general"_s, {});
    ok &= shot(out, u"updates"_s + t, u"updates"_s, {});
    ok &= shot(out, u"updates-quiet-off"_s + t, u"updates"_s, [](StoreHarness& h, Store&) {
        h.prefs->setQuietHours(false);
        h.prefs->setIntervalHours(12);
    });
    ok &= shot(out, u"updates-never"_s + t, u"updates"_s,
               [](StoreHarness& h, Store&) { h.prefs->setNotchMode(NotchMode::never); });
    ok &= shot(out, u"account-signed-out"_s + t, u"account"_s, {});
    ok &= shot(out, u"account-unconfirmed"_s + t, u"account"_s, [](StoreHarness& h, Store& store) {
        store.setSession(sampleSession());
        store.setConfirmationSentAt(h.clock.now().addSecs(-17));
    });
    ok &= shot(out, u"account-google"_s + t, u"account"_s, [](StoreHarness& h, Store& store) {
        Session google = sampleSession(u"google.com"_s, true);
        google.name = u"Ada Lovelace"_s;
        store.setSession(google);
        h.prefs->setDeviceName(u"Ada's desk"_s);
    });
    ok &= shot(out, u"apps-empty"_s + t, u"apps"_s, {});
    ok &= shot(out, u"apps"_s + t, u"apps"_s, [](StoreHarness& h, Store& store) {
        const InstalledApp zed = StoreHarness::app(u"Zed"_s);
        store.setItems({makeShared<AppItem>(zed)});
        h.prefs->setIgnoredApps({zed.bundleID, u"org.example.gone"_s});
        h.prefs->setIgnoredVersions({{zed.bundleID, u"2.0"_s}, {u"Com.Example.Upper"_s, u"5.1"_s}});
    });
    ok &= shot(out, u"account-signed-out-switched"_s + t, u"account"_s, {}, true);
    ok &= shot(
        out, u"apps-switched"_s + t, u"apps"_s,
        [](StoreHarness& h, Store&) { h.prefs->setIgnoredApps({u"org.example.gone"_s}); }, true);
    ok &= shot(out, u"permissions"_s + t, u"permissions"_s, {});
    ok &= shot(out, u"permissions-never"_s + t, u"permissions"_s, [](StoreHarness& h, Store&) {
        h.prefs->setNotchMode(NotchMode::never);
        h.notificationAnswer = Permissions::AuthorizationStatus::denied;
    });
    return ok;
}

} // namespace SettingsScreens
