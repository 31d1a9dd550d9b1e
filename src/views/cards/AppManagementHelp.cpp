#include "views/cards/AppManagementHelp.h"

#include "store/Store.h"
#include "views/cards/RowCommands.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace AppManagementHelp {

namespace {
QString tr(const char* text) { return QCoreApplication::translate("AppManagementHelp", text); }
} // namespace

Step step(const Store& store, const AppItem* row) {
    if (!row) {
        for (const auto& item : store.items()) {
            if (item->phase().kind() == InstallPhase::Kind::blocked) {
                row = item.get();
                break;
            }
        }
    }
    if (!row)
        return {std::nullopt, tr("This computer has no App Management setting: Quenlark may change every app your "
                                 "account may change.")};
    const InstalledApp& app = row->app();
    return {app.url, tr("Quenlark isn't allowed to change %1 in %2: the app or that folder belongs to someone "
                        "else or is locked. Fix that in your file manager, then choose Try Again.")
                         .arg(app.name, QFileInfo(app.url).path())};
}

void take(Store& store, const AppItem* row) {
    const Step next = step(store, row);
    if (next.reveal)
        RowCommands::reveal(*next.reveal);
    store.setNotice(next.notice);
}

} // namespace AppManagementHelp
