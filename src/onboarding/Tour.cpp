#include "onboarding/Tour.h"

#include "model/Prefs.h"
#include "runtime/MainThread.h"
#include "store/NotchHooks.h"
#include "store/Store.h"

namespace Tour {

namespace {

// An island the scheduler did not drop by itself (the notch step's preview, or one opened from
// the menu-bar item) goes back into the notch; one it dropped is left alone.
void foldHandOpened(Store& store) {
    NotchHooks& notch = store.notch();
    if (notch.autoShown())
        return;
    if (auto island = notch.detach())
        notch.fold(std::move(*island));
}

bool anyUpdate(const Store& store) {
    for (const auto& row : store.visible())
        if (row->status().kind() == Status::Kind::update)
            return true;
    return false;
}

} // namespace

const QList<Step>& steps() {
    static const QList<Step> table{
        {QStringLiteral("hero"), QStringLiteral("Your Mac at a glance"),
         QStringLiteral("The ring shows every app: green is current, blue has an update, orange couldn't be verified."),
         std::nullopt, false, false},
        {QStringLiteral("updateAll"), QStringLiteral("Update everything at once"),
         QStringLiteral(
             "Downloads, verifies and installs every update Quenlark can, one app at a time. Old versions go "
             "to the Trash."),
         std::nullopt, false, false},
        {QStringLiteral("notch"), QStringLiteral("Updates find you from the notch"),
         QStringLiteral("When Quenlark isn't open, new updates drop from the notch at a quiet moment. Update right "
                        "there, snooze them, or open the app. It never pops up while you're using Quenlark."),
         std::nullopt, true, false},
        {QStringLiteral("menuBar"), QStringLiteral("Or open it from the menu bar"),
         QStringLiteral("Click the Quenlark icon in your menu bar, next to Control Center, to see your updates any "
                        "time. The red badge counts them."),
         std::nullopt, false, true},
        {QStringLiteral("chips"), QStringLiteral("Filter your apps"),
         QStringLiteral("Jump to updates, apps Quenlark can't verify, or ones you've chosen to ignore."), Filter::all,
         false, false},
        {QStringLiteral("firstCard"), QStringLiteral("Open any app"),
         QStringLiteral("Click a card to see where Quenlark looked, what it found, release notes, and actions like "
                        "Ignore or Uninstall."),
         Filter::all, false, false},
        {QStringLiteral("permissions"), QStringLiteral("Permissions, in plain sight"),
         QStringLiteral("Green means Quenlark has what it needs. Click one to turn it on in System Settings."),
         std::nullopt, false, false},
        {QStringLiteral("library"), QStringLiteral("Your apps, on every Mac"),
         QStringLiteral("Sign in and your app list is backed up. On a new Mac, put everything back from here."),
         std::nullopt, false, false},
    };
    return table;
}

void start(Store& store) {
    QL_ASSERT_MAIN_THREAD();
    store.setExpanded(std::nullopt);
    store.setFilter(Filter::all);
    store.setTourStep(0);
}

void take(Store& store) {
    store.openMainWindow();
    start(store);
}

void go(Store& store, Prefs& prefs, int n) {
    QL_ASSERT_MAIN_THREAD();
    if (n < 0)
        return;
    foldHandOpened(store);
    if (n >= steps().size()) {
        end(store, prefs);
        return;
    }
    const Step& step = steps().at(n);
    if (step.notch && anyUpdate(store))
        store.notch().show(false, true);
    if (step.filter)
        store.setFilter(*step.filter);
    store.setTourStep(n);
}

void end(Store& store, Prefs& prefs) {
    QL_ASSERT_MAIN_THREAD();
    foldHandOpened(store);
    store.setTourStep(std::nullopt);
    prefs.setToured(true);
}

Motion::Animation stepAnimation(bool reduced) {
    if (reduced)
        return {Motion::Animation::Kind::easeInOut, 0.2, 0, 0, 0};
    return {Motion::Animation::Kind::spring, 0, 0.52, 0.86, 0};
}

} // namespace Tour
