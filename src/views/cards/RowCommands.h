#pragma once

#include "views/detail/RowAction.h"

#include <QString>
#include <QUrl>

#include <memory>

class AppItem;
class Store;

// Carries out what a row's control asks for: through the store's operations, the workspace
// (web pages only) or the file manager. Awaiting operations run in tasks of their own; this
// returns at once. What can't be opened is said through the store's notice.
namespace RowCommands {

void perform(Store& store, const std::shared_ptr<AppItem>& item, const RowAction& action);
// Whether a link from release notes or a feed may be opened: web pages only.
bool openable(const QUrl& url);
// Shows a file selected in its folder, in the file manager.
void reveal(const QString& path);
// Opens a link of `item`'s release notes or feed.
void openLink(Store& store, const AppItem& item, const QUrl& url);

} // namespace RowCommands
