#include "views/dashboard/DashboardModel.h"

#include "store/Store.h"
#include "views/dashboard/DashboardTally.h"
#include "views/dashboard/PermissionModel.h"

namespace DashboardModel {

Palette::Tint mood(const Store& store) {
    const auto& tally = DashboardTally::of(store);
    if (store.scanning() || tally.updates >= 1)
        return Palette::Tint::accent;
    if (tally.cantVerify >= 1)
        return Palette::Tint::orange;
    return Palette::Tint::green;
}

bool showsPermissionBanner(const Store& store) {
    return store.appManagement() == Permissions::State::denied || PermissionModel::blocked(store) > 0;
}

int upToDate(const Store& store) { return DashboardTally::of(store).upToDate; }

bool showsEmailConfirmation(const Store& store) {
    const auto& session = store.session();
    return session && session->awaitingConfirmation();
}

bool showsLibrary(const Store& store) { return store.filter() == Filter::library; }


} // namespace DashboardModel
