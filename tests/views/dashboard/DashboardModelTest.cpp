#include "DashboardRows.h"

#include "views/dashboard/DashboardModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(DashboardModel, MoodTheEmailTileAndTheSignedOutLibraryFollowTheStore) {
    struct Case {
        QList<RowSpec> rows;
        Palette::Tint mood;
    };
    const QList<Case> cases{
        {{}, Palette::Tint::green},
        {{{u"A"_s, Status::cantVerify(u"why"_s)}}, Palette::Tint::orange},
        {{{u"A"_s, Status::cantVerify(u"why"_s)}, {u"B"_s, Status::update()}}, Palette::Tint::accent},
        {{{u"A"_s, Status::ignored(u"why"_s)}}, Palette::Tint::green},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        Store& s = h.build();
        s.setItems(makeRows(c.rows));
        EXPECT_EQ(DashboardModel::mood(s), c.mood) << names(s.items()).join(u","_s).toStdString();
    }

    StoreHarness h;
    h.apps = {StoreHarness::app(u"A"_s)};
    h.checkDelay = std::chrono::milliseconds(100);
    Store& s = h.build();
    auto done = h.start(s.refresh());
    EXPECT_EQ(DashboardModel::mood(s), Palette::Tint::accent);
    ASSERT_TRUE(h.settle(done));

    const QList<std::tuple<QString, std::optional<bool>, bool>> sessions{
        {u"password"_s, false, true},
        {u"password"_s, std::nullopt, false},
        {u"password"_s, true, false},
        {u"google.com"_s, false, false},
    };
    EXPECT_FALSE(DashboardModel::showsEmailConfirmation(s));
    for (const auto& [provider, verified, shown] : sessions) {
        Session session;
        session.provider = provider;
        session.emailVerified = verified;
        s.setSession(session);
        EXPECT_EQ(DashboardModel::showsEmailConfirmation(s), shown) << provider.toStdString();
    }

    // The library screen stands in the list's place under the library filter only, signed in
    // or not (signed out, it holds the sign-in form).
    s.setFilter(Filter::updates);
    EXPECT_FALSE(DashboardModel::showsLibrary(s));
    s.setFilter(Filter::library);
    EXPECT_TRUE(DashboardModel::showsLibrary(s));
    s.setSession(std::nullopt);
    EXPECT_TRUE(DashboardModel::showsLibrary(s));
}
