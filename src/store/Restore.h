#pragma once

#include "model/Release.h"
#include "sources/Cask.h"
#include "sources/Checker.h"
#include "store/LibraryApp.h"
#include "store/Route.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QUrl>

#include <optional>

// How library applications come back onto this Mac: the route of each, the page for fetching
// one by hand, and the folder restored applications go into. Holds no state.
namespace Restore {

// The App Store page when the record has one; else the verifiable downloads found through the
// cask catalogue, the appcast and GitHub, in that order; else a page to fetch it by hand with
// the reason. Never throws: a source that fails counts as nothing found there.
QCoro::Task<Route> route(LibraryApp app, Checker checker);

// The record's App Store page: a link of the store's own schemes, or a web page on the store's
// own hosts. Any other web page is no App Store route: the record comes from the account's
// documents.
std::optional<QUrl> storePage(const std::optional<QString>& storeURL);

// The page from which the application can be fetched by hand.
QUrl website(const LibraryApp& app, const std::optional<Cask>& cask, const std::optional<Release>& release);

struct Folder {
    QString path;
    bool fellBack = false;
};
// `primary` when it is writable, else `fallback`, created with its missing parents (which is
// not tested for writability). Throws FileError when the fallback can't be created.
Folder folder(const QString& primary, const QString& fallback);

} // namespace Restore
