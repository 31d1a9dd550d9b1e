#include "views/DashboardModel.h"

#include "store/Store.h"
#include "views/PermissionModel.h"

namespace DashboardModel {

Palette::Tint mood(const Store& store) {
    if (store.scanning() || store.count(Filter::updates) >= 1)
        return Palette::Tint::accent;
    if (store.count(Filter::cantVerify) >= 1)
        return Palette::Tint::orange;
    return Palette::Tint::green;
}

bool showsPermissionBanner(const Store& store) {
    return store.appManagement() == Permissions::State::denied || PermissionModel::blocked(store) > 0;
}

int upToDate(const Store& store) {
    int count = 0;
    for (const auto& row : store.visible())
        if (row->status().kind() == Status::Kind::upToDate)
            ++count;
    return count;
}

bool showsEmailConfirmation(const Store& store) {
    const auto& session = store.session();
    return session && session->awaitingConfirmation();
}

bool showsLibrary(const Store& store) { return store.filter() == Filter::library; }

bool showsSignedOutLibrary(const Store& store) { return showsLibrary(store) && !store.session(); }

} // namespace DashboardModel
