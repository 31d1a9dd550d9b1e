#include "views/cards/RowCommands.h"

#include "platform/desktop/FileManager.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/cards/AppManagementHelp.h"
#include "views/cards/RowAccessoryModel.h"
#include "views/detail/RowFacts.h"

#include <QCoreApplication>

namespace RowCommands {

namespace {
QCoro::Task<void> revealing(QString path) {
    FileManager files;
    co_await files.reveal(path);
}
} // namespace

void reveal(const QString& path) { spawn(revealing(path), "reveal in the file manager"); }

bool openable(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

void openLink(Store& store, const AppItem& item, const QUrl& url) {
    if (openable(url))
        store.openPage(url);
    else
        store.setNotice(QCoreApplication::translate("RowCommands", "Quenlark couldn't open the web page for %1.")
                            .arg(item.app().name));
}

void perform(Store& store, const std::shared_ptr<AppItem>& item, const RowAction& action) {
    if (!item)
        return;
    using K = RowAction::Kind;
    switch (action.kind) {
    case K::none:
        return;
    case K::update:
        spawn(store.update(item), "update from a row");
        return;
    case K::openStore:
        store.openInAppStore(item);
        return;
    case K::openURL:
        if (action.url && *action.url == RowAccessoryModel::appManagementPane())
            AppManagementHelp::take(store, item.get());
        else if (action.url)
            openLink(store, *item, *action.url);
        return;
    case K::ignoreVersion:
        store.ignoreVersion(item);
        return;
    case K::ignore:
        store.ignore(item);
        return;
    case K::unignore:
        store.unignore(item->app().bundleID);
        return;
    case K::check:
        spawn(store.check(item), "check from a row");
        return;
    case K::reveal:
        reveal(item->app().url);
        return;
    case K::remove: {
        // Protected apps never, and not while an update of the row runs; nor while another
        // row's removal runs, whose prompt must stay until it ends.
        const auto& open = store.removing();
        if (open && open != item && store.busy(open->id()))
            return;
        if (RowFacts::of(*item).removable() && !store.busy(item->id()))
            store.setRemoving(item);
        return;
    }
    }
}

} // namespace RowCommands
