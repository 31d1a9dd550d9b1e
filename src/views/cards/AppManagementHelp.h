#pragma once

#include <QString>

#include <optional>

class AppItem;
class Store;

// What the App Management pill, "Open System Settings" and "Allow…" do on a desktop without
// that permission. Here a change of an app is refused by the owner, modes or lock of the
// bundle and its folder, so they show the bundle in the file manager and say what to fix.
namespace AppManagementHelp {

struct Step {
    std::optional<QString> reveal; // the bundle to show in its folder
    QString notice;
    bool operator==(const Step&) const = default;
};

// For `row` (a row's "Allow…"), else for the first blocked row, else a word that nothing is
// to be turned on.
Step step(const Store& store, const AppItem* row);
// Shows the bundle and sets the store's notice.
void take(Store& store, const AppItem* row);

} // namespace AppManagementHelp
