#include "model/AppItem.h"
#include "runtime/MakeShared.h"
#include "Tells.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <functional>

namespace {

InstalledApp editor() {
    InstalledApp app;
    app.url = QStringLiteral("/Applications/Editor.app");
    app.folder = QStringLiteral("/Applications");
    app.name = QStringLiteral("Editor");
    app.bundleID = QStringLiteral("com.example.Editor");
    return app;
}


} // namespace

TEST(AppItem, TellsObserversAsEachFieldRequires) {
    const auto item = makeShared<AppItem>(editor());
    item->setStatus(Status::cantVerify("a"));
    item->setPhase(InstallPhase::downloading(0.5));
    item->setInstallLog({"x", "y"});
    Release found;
    found.kind = SourceKind::github;
    item->setRelease(found);

    struct Case {
        const char* name;
        std::function<void()> read;
        std::function<void()> write;
        bool told;
    };
    const Case cases[] = {
        {"same status", [&] { item->status(); }, [&] { item->setStatus(Status::cantVerify("a")); }, false},
        {"other reason", [&] { item->status(); }, [&] { item->setStatus(Status::cantVerify("b")); }, true},
        {"same checking", [&] { item->checking(); }, [&] { item->setChecking(false); }, false},
        {"checking", [&] { item->checking(); }, [&] { item->setChecking(true); }, true},
        {"same fraction", [&] { item->phase(); }, [&] { item->setPhase(InstallPhase::downloading(0.5)); }, false},
        {"new fraction", [&] { item->phase(); }, [&] { item->setPhase(InstallPhase::downloading(0.6)); }, true},
        {"same log", [&] { item->installLog(); },
         [&] {
             item->setInstallLog({"x", "y"});
         },
         false},
        {"log element", [&] { item->installLog(); },
         [&] {
             item->setInstallLog({"x", "z"});
         },
         true},
        {"same release", [&] { item->release(); }, [&] { item->setRelease(found); }, true},
        {"same attempts", [&] { item->attempts(); }, [&] { item->setAttempts({}); }, true},
        {"same app", [&] { item->id(); }, [&] { item->setApp(editor()); }, true},
        {"unread field", [&] { item->status(); },
         [&] { item->setChecking(false), item->setPhase(InstallPhase::idle()); }, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tells(c.read, c.write), c.told) << c.name;
}
