#include "StoreHarness.h"

#include "runtime/Observation.h"
#include "sources/BrewIndex.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// How many times `read` is told of a change made by `write`.
int notifications(const std::function<void()>& read, const std::function<void()>& write) {
    int told = 0;
    auto handle = track(read, [&told] { ++told; });
    write();
    QCoreApplication::processEvents();
    Observation::cancel(handle);
    return told;
}

} // namespace

TEST(StoreState, StartsWithTheDefaultsAndNotifiesByEachFieldsRule) {
    StoreHarness h;
    Store& s = h.build();
    EXPECT_TRUE(s.items().isEmpty());
    EXPECT_EQ(s.filter(), Filter::all);
    EXPECT_EQ(s.query(), QString());
    EXPECT_FALSE(s.selection() || s.expanded() || s.removing() || s.notice());
    EXPECT_EQ(s.appManagement(), Permissions::State::unknown);
    EXPECT_EQ(s.notifications(), Permissions::AuthorizationStatus::notDetermined);
    EXPECT_FALSE(s.scanning() || s.updatingAll() || s.syncing() || s.restoring() || s.creatingAccount());
    EXPECT_EQ(s.checked(), 0);
    EXPECT_EQ(s.toCheck(), 0);
    EXPECT_FALSE(s.lastChecked() || s.session() || s.syncError() || s.tourStep() || s.confirmationSentAt());
    EXPECT_EQ(s.libraryTab(), LibraryTab::missing);
    EXPECT_EQ(s.settingsTab(), QStringLiteral("general"));
    EXPECT_FALSE(s.packageConsent() || s.libraryRemoval() || s.cloud() || s.scheduled());

    struct Case {
        const char* field;
        std::function<void()> read;
        std::function<void()> same;
        std::function<void()> other;
        int toldBySame;
    };
    const QList<Case> cases{
        {"filter", [&] { s.filter(); }, [&] { s.setFilter(Filter::all); }, [&] { s.setFilter(Filter::updates); }, 0},
        {"query", [&] { s.query(); }, [&] { s.setQuery({}); }, [&] { s.setQuery(QStringLiteral("a")); }, 0},
        {"selection", [&] { s.selection(); }, [&] { s.setSelection({}); },
         [&] { s.setSelection(QStringLiteral("/x")); }, 0},
        {"notice", [&] { s.notice(); }, [&] { s.setNotice({}); }, [&] { s.setNotice(QStringLiteral("n")); }, 0},
        {"tourStep", [&] { s.tourStep(); }, [&] { s.setTourStep({}); }, [&] { s.setTourStep(0); }, 0},
        {"settingsTab", [&] { s.settingsTab(); }, [&] { s.setSettingsTab(QStringLiteral("general")); },
         [&] { s.setSettingsTab(QStringLiteral("account")); }, 0},
        {"items", [&] { s.items(); }, [&] { s.setItems(s.items()); }, [&] { s.setItems({}); }, 1},
        {"removing", [&] { s.removing(); }, [&] { s.setRemoving(nullptr); }, [&] { s.setRemoving(nullptr); }, 1},
        {"session", [&] { s.session(); }, [&] { s.setSession({}); }, [&] { s.setSession(Session{}); }, 1},
        {"devices", [&] { s.devices(); }, [&] { s.setDevices({}); }, [&] { s.setDevices({Device{}}); }, 1},
        {"libraryRemoval", [&] { s.libraryRemoval(); }, [&] { s.setLibraryRemoval({}); },
         [&] { s.setLibraryRemoval(Store::LibraryRows{}); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(notifications(c.read, c.same), c.toldBySame);
        EXPECT_EQ(notifications(c.read, c.other), 1);
    }
}

TEST(StoreState, LaunchOptionsChooseFoldersEndpointsCachesAndPermission) {
    {
        StoreHarness h;
        h.appManagementAnswer = Permissions::State::denied;
        h.options.mock.reset();
        Store& s = h.build();
        EXPECT_EQ(s.folders(),
                  (QStringList{QStringLiteral("/Applications"), h.options.home + QStringLiteral("/Applications")}));
        EXPECT_EQ(s.endpoints().itunes, Endpoints().itunes);
        EXPECT_EQ(s.brew()->url(), QUrl(QStringLiteral("https://formulae.brew.sh/api/cask.json")));
        EXPECT_EQ(s.brew()->cache(), QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                                         QStringLiteral("/com.quenlark.Quenlark"));
        EXPECT_EQ(s.appManagement(), Permissions::State::denied);
        EXPECT_EQ(h.appManagementProbes, 1);
        EXPECT_EQ(s.trashFolder(), std::nullopt);
        EXPECT_EQ(s.userLibrary(), h.options.home + QStringLiteral("/Library"));
    }
    {
        StoreHarness h;
        h.options.sandbox = QStringLiteral("/tmp/demo/Applications");
        h.options.mock = QUrl(QStringLiteral("http://127.0.0.1:8080/"));
        h.appManagementAnswer = Permissions::State::denied;
        Store& s = h.build();
        EXPECT_EQ(s.folders(), QStringList{QStringLiteral("/tmp/demo/Applications")});
        EXPECT_EQ(s.endpoints().itunes, *h.options.mock);
        EXPECT_EQ(s.endpoints().brew, *h.options.mock);
        EXPECT_EQ(s.endpoints().github, *h.options.mock);
        EXPECT_EQ(s.brew()->url(), QUrl(QStringLiteral("http://127.0.0.1:8080/api/cask.json")));
        EXPECT_EQ(s.brew()->cache(), QStringLiteral("/tmp/demo/Caches"));
        EXPECT_EQ(s.appManagement(), Permissions::State::granted);
        EXPECT_EQ(h.appManagementProbes, 0);
        EXPECT_EQ(s.trashFolder(), QStringLiteral("/tmp/demo/Trash"));
        EXPECT_EQ(s.userLibrary(), QStringLiteral("/tmp/demo/Library"));
    }
}
