#include "notch/IslandModel.h"

#include "model/AppItem.h"
#include "model/Launch.h"
#include "runtime/MakeShared.h"

#include "FakeClock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

using K = InstallPhase::Kind;

std::shared_ptr<AppItem> row(const QString& name, InstallPhase phase, SourceKind kind = SourceKind::sparkle,
                             bool team = true) {
    InstalledApp app;
    app.url = QStringLiteral("/Applications/") + name + QStringLiteral(".app");
    app.name = name;
    app.bundleID = QStringLiteral("org.example.") + name;
    if (team)
        app.team = QStringLiteral("TEAM");
    auto item = makeShared<AppItem>(app);
    Release release;
    release.kind = kind;
    release.version = QStringLiteral("2.0");
    release.download = Download{QUrl(QStringLiteral("https://example.org/a.zip")), {}, {}, {}, {}};
    item->setRelease(release);
    item->setStatus(Status::update());
    item->setPhase(std::move(phase));
    return item;
}

class IslandModelTest : public ::testing::Test {
protected:
    ~IslandModelTest() override { Launch::setArgsForTest({}); }

    std::unique_ptr<IslandModel> model(const Store::Rows& shown, bool preview = false) {
        QStringList ids;
        for (const auto& item : shown)
            ids.append(item->id());
        items = shown;
        state = makeShared<IslandState>(ids, QSizeF(), preview, clock.now());
        return std::make_unique<IslandModel>(
            state, IslandModel::Hooks{
                       [this] { return items; },
                       [this] { return updatingAll; },
                       [this](Store::Rows rows) -> QCoro::Task<void> {
                           updated.append(rows);
                           co_return;
                       },
                       [this](const std::shared_ptr<AppItem>& item) {
                           calls.append(QStringLiteral("ignore ") + item->app().name);
                       },
                       [this](const QStringList& keys) {
                           calls.append(QStringLiteral("dismissed ") + keys.join(QLatin1Char(',')));
                           return ask;
                       },
                       [this](const QString& choice) { calls.append(QStringLiteral("snooze ") + choice); },
                       [this] { calls.append(QStringLiteral("never")); },
                       [this] { calls.append(QStringLiteral("open")); },
                       [this](const IslandState* folded) {
                           EXPECT_EQ(folded, state.get());
                           calls.append(QStringLiteral("fold"));
                       },
                   });
    }
    void advance(double seconds) {
        for (int i = 0; i < seconds * 10; ++i) {
            clock.advanceSeconds(0.1);
            QCoreApplication::processEvents();
        }
    }

    FakeClock clock;
    Store::Rows items;
    std::shared_ptr<IslandState> state;
    bool updatingAll = false;
    bool ask = false;
    QStringList calls;
    QList<Store::Rows> updated;
};

TEST_F(IslandModelTest, TitlesSubtitlesAndUpdateAll) {
    struct Case {
        QList<InstallPhase> phases;
        QString title, subtitle, updateAll;
    };
    const QString found = QStringLiteral("Found in the background. Update now, or later from Quenlark.");
    const QString failed = QStringLiteral("Failed updates left the app untouched. Open Quenlark to see why.");
    const QString newest = QStringLiteral("Everything's on its newest version.");
    const auto idle = InstallPhase::idle(), done = InstallPhase::done(),
               bad = InstallPhase::failed(QStringLiteral("x"));
    const QList<InstallPhase> six(6, idle);
    const Case cases[] = {
        {{idle}, QStringLiteral("1 update ready"), found, QStringLiteral("Update All  1")},
        {{done}, QStringLiteral("Updated"), newest, QStringLiteral("Update All")},
        {{done, done}, QStringLiteral("All 2 updated"), newest, QStringLiteral("Update All")},
        {{done, bad, idle},
         QStringLiteral("1 updated \u00B7 1 failed \u00B7 1 left"),
         failed,
         QStringLiteral("Update All  2")},
        {{bad, bad, bad}, QStringLiteral("3 failed"), failed, QStringLiteral("Update All  3")},
        {{InstallPhase::blocked(), InstallPhase::downloading(0.5)},
         QStringLiteral("2 updates ready"),
         found,
         QStringLiteral("Update All  1")},
        {{InstallPhase::queued(), InstallPhase::verifying(), InstallPhase::installing()},
         QStringLiteral("3 updates ready"),
         found,
         QStringLiteral("Update All")},
        {six, QStringLiteral("6 updates ready"), QStringLiteral("Found in the background. Scroll to see all 6."),
         QStringLiteral("Update All  6")},
        {{}, QStringLiteral("0 updates ready"), found, QStringLiteral("Update All")},
    };
    for (const Case& c : cases) {
        Store::Rows rows;
        for (int i = 0; i < c.phases.size(); ++i)
            rows.append(row(QString::number(i), c.phases[i]));
        auto m = model(rows);
        EXPECT_EQ(m->title(), c.title);
        EXPECT_EQ(m->subtitle(), c.subtitle) << c.title.toStdString();
        EXPECT_EQ(m->updateAllText(), c.updateAll) << c.title.toStdString();
        EXPECT_EQ(m->updateAllEnabled(), c.updateAll != QStringLiteral("Update All"));
        EXPECT_EQ(m->listHeight(), std::min<qsizetype>(rows.size(), 5) * 52.0);
        EXPECT_EQ(m->listFades(), rows.size() >= 6);
        EXPECT_EQ(m->accessibleName(), QStringLiteral("Quenlark: %1 updates").arg(rows.size()));
    }
}

TEST_F(IslandModelTest, OnlyInstallableRowsAndRowsStillInTheStoreCount) {
    auto store = row(QStringLiteral("Store"), InstallPhase::idle(), SourceKind::appStore);
    auto electron = row(QStringLiteral("Electron"), InstallPhase::idle(), SourceKind::electron);
    auto unsigned_ = row(QStringLiteral("Unsigned"), InstallPhase::idle(), SourceKind::github, false);
    auto good = row(QStringLiteral("Good"), InstallPhase::idle(), SourceKind::homebrew);
    auto m = model({store, electron, unsigned_, good});
    EXPECT_EQ(m->installable(), (Store::Rows{good}));
    items.removeOne(good); // the row left the store
    EXPECT_EQ(m->shown().size(), 3);
    EXPECT_EQ(m->title(), QStringLiteral("3 updates ready"));
    EXPECT_FALSE(m->updateAllEnabled());
    EXPECT_EQ(m->updateAllText(), QStringLiteral("Update All"));

    items.append(good);
    m->updateAll();
    QCoreApplication::processEvents();
    ASSERT_EQ(updated.size(), 1);
    EXPECT_EQ(updated[0], (Store::Rows{good}));
    updatingAll = true;
    EXPECT_FALSE(m->updateAllEnabled());
}

TEST_F(IslandModelTest, ButtonsLaterMenuAndQuestion) {
    struct Case {
        const char* what;
        std::function<void(IslandModel&)> press;
        QStringList calls;
        bool asking = false;
    };
    const QString keys = QStringLiteral("dismissed org.example.A@2.0,org.example.B@2.0");
    const QString fold = QStringLiteral("fold");
    const Case cases[] = {
        {"Later", [](IslandModel& m) { m.later(); }, {keys, fold}},
        {"Later asks",
         [this](IslandModel& m) {
             ask = true;
             m.later();
         },
         {keys},
         true},
        {"Dismiss", [](IslandModel& m) { m.dismiss(); }, {fold}},
        {"Open", [](IslandModel& m) { m.openApp(); }, {QStringLiteral("open")}},
        {"Keep showing", [](IslandModel& m) { m.keepShowing(); }, {fold}},
        {"Only the menu bar", [](IslandModel& m) { m.onlyMenuBar(); }, {QStringLiteral("never"), fold}},
        {"In 1 Hour",
         [](IslandModel& m) { m.choose(IslandModel::Later::inOneHour); },
         {QStringLiteral("snooze hour"), fold}},
        {"Tonight",
         [](IslandModel& m) { m.choose(IslandModel::Later::tonight); },
         {QStringLiteral("snooze tonight"), fold}},
        {"Tomorrow",
         [](IslandModel& m) { m.choose(IslandModel::Later::tomorrow); },
         {QStringLiteral("snooze tomorrow"), fold}},
        {"Next Week",
         [](IslandModel& m) { m.choose(IslandModel::Later::nextWeek); },
         {QStringLiteral("snooze week"), fold}},
        {"Skip",
         [](IslandModel& m) { m.choose(IslandModel::Later::skipTheseVersions); },
         {QStringLiteral("ignore A"), QStringLiteral("ignore B"), fold}},
        {"Never",
         [](IslandModel& m) { m.choose(IslandModel::Later::dontShowFromNotch); },
         {QStringLiteral("never"), fold}},
        {"Escape is Later", [](IslandModel& m) { m.escape(); }, {keys, fold}},
        // The question stands until one of its own buttons answers it.
        {"Escape while asking",
         [](IslandModel& m) {
             m.state()->setAskingToStop(true);
             m.escape();
         },
         {},
         true},
    };
    for (const Case& c : cases) {
        calls.clear();
        ask = false;
        auto m =
            model({row(QStringLiteral("A"), InstallPhase::idle()), row(QStringLiteral("B"), InstallPhase::done())});
        items[1]->setStatus(Status::upToDate());
        if (std::string(c.what) == "Skip")
            items[1]->setStatus(Status::update());
        c.press(*m);
        EXPECT_EQ(calls, c.calls) << c.what;
        EXPECT_EQ(state->askingToStop(), c.asking) << c.what;
        // A preview island's buttons do nothing, nor do those of an island on its way out.
        calls.clear();
        auto preview = model(items, true);
        c.press(*preview);
        EXPECT_TRUE(calls.isEmpty()) << c.what;
        auto leaving = model(items);
        state->setLeaving();
        c.press(*leaving);
        EXPECT_TRUE(calls.isEmpty()) << c.what;
    }
    for (const bool out : {false, true}) {
        updated.clear();
        auto m = model({row(QStringLiteral("A"), InstallPhase::idle())});
        if (out)
            state->setLeaving();
        m->updateAll();
        QCoreApplication::processEvents();
        EXPECT_EQ(updated.size(), out ? 0 : 1) << "Update All, on its way out: " << out;
    }

    QStringList texts;
    for (const auto& entry : IslandModel::laterMenu())
        texts.append(entry.entry ? entry.text : QStringLiteral("-"));
    EXPECT_EQ(texts, (QStringList{QStringLiteral("In 1 Hour"), QStringLiteral("Tonight"), QStringLiteral("Tomorrow"),
                                  QStringLiteral("Next Week"), QStringLiteral("-"),
                                  QStringLiteral("Skip These Versions"), QStringLiteral("Don't Show from the Notch")}));
    EXPECT_EQ(IslandModel::question(),
              QStringLiteral("You've put these off a few times. Keep showing updates from the notch?"));
}

TEST_F(IslandModelTest, FoldsTwoAndAHalfSecondsAfterFinishingWhenStillFinished) {
    auto a = row(QStringLiteral("A"), InstallPhase::installing());
    auto m = model({a});
    m->start();
    a->setPhase(InstallPhase::done());
    QCoreApplication::processEvents();
    advance(2.4);
    EXPECT_TRUE(calls.isEmpty());
    advance(0.1);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("fold")}));

    // Finished, then not any more before the block runs: stays up.
    calls.clear();
    auto b = row(QStringLiteral("B"), InstallPhase::installing());
    auto n = model({b});
    n->start();
    b->setPhase(InstallPhase::done());
    QCoreApplication::processEvents();
    advance(1);
    b->setPhase(InstallPhase::failed(QStringLiteral("x")));
    advance(2);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(IslandModelTest, IdleFoldAfterTheLimitUnlessHeld) {
    struct Case {
        const char* what;
        QStringList args;
        std::function<void(IslandModel&)> hold;
        double foldsAt; // 0: never within a minute
    };
    const auto none = [](IslandModel&) {};
    const Case cases[] = {
        {"default", {}, none, 32},
        {"--notch-idle 5", {QStringLiteral("--notch-idle"), QStringLiteral("5")}, none, 6},
        {"not a number", {QStringLiteral("--notch-idle"), QStringLiteral("soon")}, none, 32},
        {"hovering", {}, [](IslandModel& m) { m.setHovering(true); }, 0},
        {"asking", {}, [this](IslandModel&) { state->setAskingToStop(true); }, 0},
        {"updating all", {}, [this](IslandModel&) { updatingAll = true; }, 0},
        {"installing", {}, [this](IslandModel&) { items[0]->setPhase(InstallPhase::downloading(0.1)); }, 0},
        {"failed does not hold",
         {},
         [this](IslandModel&) { items[0]->setPhase(InstallPhase::failed(QStringLiteral("x"))); },
         32},
        {"a touch at 10 s",
         {},
         [this](IslandModel& m) {
             advance(10);
             m.touch();
         },
         42},
        {"leaving after 40 s",
         {},
         [this](IslandModel& m) {
             m.setHovering(true);
             advance(40);
             m.setHovering(false);
         },
         72},
    };
    for (const Case& c : cases) {
        Launch::setArgsForTest(c.args);
        calls.clear();
        updatingAll = false;
        auto m = model({row(QStringLiteral("A"), InstallPhase::idle())});
        const QDateTime start = clock.now();
        m->start();
        c.hold(*m);
        double folded = 0;
        for (int i = 0; i < 900 && folded == 0; ++i) {
            advance(0.1);
            if (!calls.isEmpty())
                folded = static_cast<double>(start.msecsTo(clock.now())) / 1000;
        }
        EXPECT_NEAR(folded, c.foldsAt, 0.05) << c.what;
        EXPECT_LE(calls.size(), 1) << c.what;
    }
}

} // namespace
