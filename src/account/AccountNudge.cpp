#include "account/AccountNudge.h"

#include "model/Prefs.h"
#include "store/Store.h"

namespace {
constexpr qint64 week = 604800; // seconds
constexpr qint64 mostRefusals = 3;
} // namespace

namespace AccountNudge {

bool wanted(const Store& store, const Prefs& prefs, const QDateTime& now) {
    if (!store.cloud() || store.session() || !prefs.onboarded())
        return false;
    if (prefs.nudgeDismissals() >= mostRefusals)
        return false;
    const auto& dismissed = prefs.nudgeDismissed();
    // Milliseconds, so that a refusal exactly a week ago still counts as within the week.
    return !dismissed || dismissed->msecsTo(now) > week * 1000;
}

bool shouldShow(const Store& store, const Prefs& prefs, const QDateTime& now) {
    return wanted(store, prefs, now) && store.filter() != Filter::library;
}

void notNow(Prefs& prefs, const QDateTime& now) {
    prefs.setNudgeDismissed(now);
    prefs.setNudgeDismissals(prefs.nudgeDismissals() + 1);
}

void signIn(Store& store) { store.setFilter(Filter::library); }

} // namespace AccountNudge
