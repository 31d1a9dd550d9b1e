#include "StoreHarness.h"

#include "views/dashboard/NoticeTimer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {
void turn() { QCoreApplication::processEvents(); }
} // namespace

TEST(NoticeTimer, EachNoticeStaysItsFullTimeAndACutWaitClearsNothing) {
    StoreHarness h;
    Store& s = h.build();
    auto timer = std::make_unique<NoticeTimer>(s, h.clock);

    s.setNotice(u"A moved to the Trash."_s);
    turn();
    h.clock.advance(3000ms);
    EXPECT_EQ(s.notice(), u"A moved to the Trash."_s);
    h.clock.advance(1000ms);
    turn();
    EXPECT_FALSE(s.notice());

    // A replacing notice gets its own four seconds.
    s.setNotice(u"First"_s);
    turn();
    h.clock.advance(3000ms);
    s.setNotice(u"Second"_s);
    turn();
    h.clock.advance(1500ms);
    turn();
    EXPECT_EQ(s.notice(), u"Second"_s);
    h.clock.advance(2400ms);
    turn();
    EXPECT_EQ(s.notice(), u"Second"_s);
    h.clock.advance(100ms);
    turn();
    EXPECT_FALSE(s.notice());

    // The toast going away cuts the wait: the notice stays for the next one.
    s.setNotice(u"Third"_s);
    turn();
    timer.reset();
    turn();
    h.clock.advance(5000ms);
    turn();
    EXPECT_EQ(s.notice(), u"Third"_s);

    // A notice already set when the toast appears is timed from then.
    timer = std::make_unique<NoticeTimer>(s, h.clock);
    h.clock.advance(4000ms);
    turn();
    EXPECT_FALSE(s.notice());
}
