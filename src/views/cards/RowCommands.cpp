#include "views/cards/RowCommands.h"

#include "platform/desktop/FileManager.h"
#include "platform/desktop/Workspace.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/cards/RowAccessoryModel.h"
#include "views/detail/RowFacts.h"

namespace RowCommands {

namespace {
QCoro::Task<void> reveal(QString path) {
    FileManager files;
    co_await files.reveal(path);
}
} // namespace

bool openable(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

void openLink(const QUrl& url) {
    if (openable(url))
        Workspace::open(url);
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
        store.openStore(item);
        return;
    case K::openURL:
        if (action.url && *action.url == RowAccessoryModel::appManagementPane())
            Workspace::open(*action.url);
        else if (action.url)
            openLink(*action.url);
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
        spawn(reveal(item->app().url), "reveal in the file manager");
        return;
    case K::remove:
        // Protected apps never, and not while an update of the row runs.
        if (RowFacts::of(*item).removable() && !store.busy(item->id()))
            store.setRemoving(item);
        return;
    }
}

} // namespace RowCommands
