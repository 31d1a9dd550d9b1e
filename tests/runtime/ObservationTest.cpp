#include "runtime/Observation.h"
#include "runtime/Observed.h"

#include "RecordingReporter.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>

#include <memory>
#include <stdexcept>

namespace {

struct Model {
    Observed<int> a;
    Observed<int> b;
    Observed<QString> unread;
    Observed<int, Notify::Always> pulse;
    Observed<QList<int>> list;
};

void turn() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

TEST(Observation, FiresOnceQueuedAtTheFirstChangeOfAnythingRead) {
    enum Change { A, B, Both, ATwice, Unread, EqualValue, AlwaysEqual, Mutate };
    struct Case {
        Change change;
        int fires;
    };
    const Case cases[] = {{A, 1},      {B, 1},          {Both, 1},        {ATwice, 1},
                          {Unread, 0}, {EqualValue, 0}, {AlwaysEqual, 1}, {Mutate, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        Model model;
        model.a.set(1);
        int fires = 0;
        auto handle = track(
            [&] {
                model.a.get();
                model.b.get();
                model.pulse.get();
                model.list.get();
            },
            [&fires] { ++fires; });
        switch (c.change) {
        case A:
            EXPECT_TRUE(model.a.set(2));
            break;
        case B:
            model.b.set(5);
            break;
        case Both:
            model.a.set(2);
            model.b.set(3);
            break;
        case ATwice:
            model.a.set(2);
            model.a.set(3);
            break;
        case Unread:
            model.unread.set(QStringLiteral("x"));
            break;
        case EqualValue:
            EXPECT_FALSE(model.a.set(1));
            break;
        case AlwaysEqual:
            EXPECT_TRUE(model.pulse.set(0));
            break;
        case Mutate:
            model.list.mutate([](QList<int>& l) { l.append(1); });
            break;
        }
        EXPECT_EQ(fires, 0); // never from inside set()
        turn();
        EXPECT_EQ(fires, c.fires);
        // Once fired it is spent; until then it still listens.
        model.a.set(100);
        model.b.set(100);
        turn();
        EXPECT_EQ(fires, 1);
    }
}

TEST(Observation, NestedReadsCountForTheOuterTrackingAndOwnChangesWhileReadingDoNot) {
    Model model;
    int outer = 0;
    int inner = 0;
    track(
        [&] {
            track([&] { model.a.get(); }, [&inner] { ++inner; });
            model.pulse.get();
            model.b.set(model.b.peek() + 1); // a read that writes: no loop of refreshes
            model.b.get();
        },
        [&outer] { ++outer; });
    turn();
    EXPECT_EQ(outer, 0);
    model.a.set(7);
    turn();
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(outer, 1);

    int fires = 0;
    track([&] { model.b.set(model.b.get() + 1); }, [&fires] { ++fires; });
    turn();
    EXPECT_EQ(fires, 0);
    model.b.set(-1); // still registered for later changes
    turn();
    EXPECT_EQ(fires, 1);
}

// A cache's tracking hears the change at once, inside it; what the cache reads stays its own, so
// a reader that registers with the cache's node hears only what the cache passes on.
TEST(Observation, CacheTrackingsInvalidateInsideTheChangeAndKeepTheirReadsToThemselves) {
    Model model;
    ObservationNode cacheNode;
    int invalidated = 0;
    int sum = -1;
    Observation::Handle cache;
    auto read = [&] {
        if (sum < 0)
            cache = Observation::trackCache([&] { sum = model.a.get() + model.b.get(); },
                                            [&] {
                                                ++invalidated;
                                                sum = -1;
                                                cacheNode.notify();
                                            });
        cacheNode.registerRead();
    };
    int outer = 0;
    int outerViaNode = 0;
    track(
        [&] {
            read();
            model.unread.get();
        },
        [&outer] { ++outer; });
    EXPECT_EQ(sum, 0);

    model.a.set(2);
    EXPECT_EQ(invalidated, 1) << "invalidated before the change returns, not a turn later";
    EXPECT_EQ(sum, -1);
    model.b.set(3); // already invalidated: once is enough
    EXPECT_EQ(invalidated, 1);
    turn();
    EXPECT_EQ(outer, 1) << "the outer tracking hears the cache's node";

    track([&] { read(); }, [&outerViaNode] { ++outerViaNode; });
    EXPECT_EQ(sum, 5);
    Observation::cancel(cache);
    model.a.set(9); // the cache's own reads never registered the outer tracking
    turn();
    EXPECT_EQ(outerViaNode, 0);
    EXPECT_EQ(invalidated, 1);
}

TEST(Observation, CancelledOrContextlessTrackingsStayQuietAndFailuresAreReported) {
    RecordingReporter reporter;
    Model model;
    int fires = 0;
    auto cancelled = track([&] { model.a.get(); }, [&fires] { ++fires; });
    Observation::cancel(cancelled);
    auto context = std::make_unique<QObject>();
    track([&] { model.a.get(); }, [&fires] { ++fires; }, context.get());
    model.a.set(1);
    context.reset(); // gone before the queued call runs
    turn();
    EXPECT_EQ(fires, 0);

    track([&] { model.a.get(); }, [] { throw std::runtime_error("refresh failed"); });
    model.a.set(2);
    turn();
    EXPECT_EQ(reporter.texts, QStringList{"refresh failed"});

    // A read that throws leaves no tracking behind.
    EXPECT_THROW(track(
                     [&] {
                         model.a.get();
                         throw std::runtime_error("read failed");
                     },
                     [&fires] { ++fires; }),
                 std::runtime_error);
    model.a.set(3);
    turn();
    EXPECT_EQ(fires, 0);
}

TEST(Observer, RefreshesOncePerTurnKeepsObservingAndStopsWhenDestroyed) {
    Model model;
    auto parent = std::make_unique<QObject>();
    int refreshes = 0;
    int seen = 0;
    auto* observer = new Observer(
        parent.get(), [&] { seen = model.a.get() + model.b.get(); }, [&refreshes] { ++refreshes; });
    model.a.set(1);
    model.b.set(2);
    model.a.set(3);
    turn();
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(seen, 5); // read again after the refresh

    model.b.set(4);
    turn();
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(seen, 7);

    QPointer<Observer> watch(observer);
    parent.reset();
    EXPECT_FALSE(watch);
    model.a.set(10);
    turn();
    EXPECT_EQ(refreshes, 2);

    // A refresh that destroys its own observer (a view closing itself) ends cleanly.
    auto owner = std::make_unique<QObject>();
    int lastRefreshes = 0;
    new Observer(
        owner.get(), [&] { model.a.get(); },
        [&] {
            ++lastRefreshes;
            owner.reset();
        });
    model.a.set(11);
    turn();
    model.a.set(12);
    turn();
    EXPECT_EQ(lastRefreshes, 1);
}
