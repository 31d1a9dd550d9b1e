#pragma once

#include "views/detail/RowAction.h"

#include <QUrl>

#include <memory>

class AppItem;
class Store;

// Carries out what a row's control asks for: through the store's operations, the workspace
// (web pages and the App Management pane only) or the file manager. Awaiting operations run
// in tasks of their own; this returns at once.
namespace RowCommands {

void perform(Store& store, const std::shared_ptr<AppItem>& item, const RowAction& action);
// Whether a link from release notes or a feed may be opened: web pages only.
bool openable(const QUrl& url);
void openLink(const QUrl& url);

} // namespace RowCommands
