#pragma once

#include "app/LiveCollaborators.h"
#include "model/AppItem.h"
#include "model/Prefs.h"
#include "platform/system/Defaults.h"
#include "runtime/MakeShared.h"
#include "store/Store.h"

#include <QTemporaryDir>
#include <QUrl>

// A store over a sandbox that nothing answers, holding `count` rows set straight on it; every
// fourth has an update, so the Updates filter keeps a quarter of the list.
struct SandboxStore {
    explicit SandboxStore(int count)
        : prefs(std::make_shared<Defaults>(root.filePath(QStringLiteral("prefs.plist"))), true),
          store(collaborators()) {
        Store::Rows list;
        for (int i = 0; i < count; ++i) {
            InstalledApp app;
            app.name = QStringLiteral("App %1").arg(i);
            app.url = QStringLiteral("/Applications/") + app.name + QStringLiteral(".app");
            app.folder = QStringLiteral("/Applications");
            app.bundleID = QStringLiteral("org.example.app%1").arg(i);
            app.version = QStringLiteral("1.0");
            app.team = QStringLiteral("ABCDE12345");
            auto item = makeShared<AppItem>(app);
            item->setStatus(i % 4 == 0 ? Status::update() : Status::upToDate());
            list.append(item);
        }
        store.setItems(list);
    }

    Store::Collaborators collaborators() {
        Store::Collaborators c = LiveCollaborators::make();
        c.prefs = &prefs;
        c.options.sandbox = root.filePath(QStringLiteral("Applications"));
        c.options.mock = QUrl(QStringLiteral("http://127.0.0.1:9/"));
        return c;
    }

    QTemporaryDir root;
    Prefs prefs;
    Store store;
};
