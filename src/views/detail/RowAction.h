#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// What pressing a control of a row does; the widget carries it out through the store or the
// workspace.
struct RowAction {
    enum class Kind {
        none,
        update,        // Store.update, in a task of its own
        openStore,     // Store.openInAppStore
        openURL,       // the workspace opens `url` (web pages and the settings pane only)
        ignoreVersion, // Store.ignoreVersion
        ignore,        // Store.ignore
        unignore,      // Store.unignore with the bundle id
        check,         // Store.check, in a task of its own
        reveal,        // the file manager shows the bundle
        remove,        // Store.removing = the row
    };
    Kind kind = Kind::none;
    std::optional<QUrl> url;

    bool operator==(const RowAction&) const = default;
};
