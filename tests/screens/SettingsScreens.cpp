#include "SettingsScreens.h"

#include "ScreenSamples.h"
#include "StoreHarness.h"

#include "onboarding/MemoryLoginItem.h"
#include "onboarding/NoAccountDeletion.h"
#include "onboarding/SettingsModel.h"
#include "onboarding/ui/SettingsView.h"

#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// One picture of the window on `tab` after `arrange` set the store and the settings.
bool shot(const QString& out, const QString& name, const QString& tab,
          const std::function<void(StoreHarness&, Store&)>& arrange) {
    StoreHarness h;
    Store& store = h.build();
    if (arrange)
        arrange(h, store);
    store.setSettingsTab(tab);
    MemoryLoginItem login;
    NoAccountDeletion deletion;
    SettingsView view(std::make_unique<SettingsModel>(SettingsModel::Services{store, *h.prefs, login, deletion, h.clock}));
    view.show();
    ScreenSamples::settle();
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
    return ok;
}

} // namespace SettingsScreens
