#include "model/Launch.h"
#include "model/Motion.h"
#include "model/Spring.h"
#include "platform/desktop/DesktopSettings.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Motion, IsWorkedOutAnewAtEveryRead) {
    DesktopSettings desktop;
    DesktopSettings::install(&desktop);
    Launch::setArgsForTest({});
    const Motion::Animation full{Motion::Animation::Kind::spring, 0, 0.45, 0.82, 0};
    const Motion::Animation reduced{Motion::Animation::Kind::easeInOut, 0.2, 0, 0, 0};

    EXPECT_EQ(Motion::spring(), full);
    desktop.apply("org.gnome.desktop.interface", "enable-animations", false);
    EXPECT_EQ(Motion::spring(), reduced);
    desktop.apply("org.gnome.desktop.interface", "enable-animations", true);
    EXPECT_EQ(Motion::spring(), full);
    Launch::setArgsForTest({"--reduce-motion"});
    EXPECT_EQ(Motion::spring(), reduced);

    Launch::setArgsForTest({});
    DesktopSettings::install(nullptr);
}

TEST(Spring, SettlesOnItsTarget) {
    struct Case {
        double damping, from, to, velocity;
        bool overshoots;
    };
    const Case cases[] = {
        {0.82, 0, 100, 0, true},  {1.0, 0, 100, 0, false}, {1.6, 0, 100, 0, false},
        {0.82, 10, 10, 50, true}, {0.3, 1, 0, 0, true},    {2.5, -5, 5, -40, false},
    };
    for (const auto& c : cases) {
        const Spring spring(0.45, c.damping, c.from, c.to, c.velocity);
        const double travel = std::max(std::fabs(c.to - c.from), std::fabs(c.velocity) * 0.45 / (2 * M_PI));
        EXPECT_DOUBLE_EQ(spring.value(0), c.from);
        EXPECT_NEAR(spring.velocity(0), c.velocity, 1e-9);
        const double settle = spring.settlingTime();
        EXPECT_GT(settle, 0.2) << c.damping;
        EXPECT_LT(settle, 5.0) << c.damping;
        bool crossed = false;
        for (double t = settle; t < settle + 3; t += 0.01)
            EXPECT_LE(std::fabs(spring.value(t) - c.to), 1e-3 * travel + 1e-12) << c.damping << " at " << t;
        for (double t = 0; t < settle; t += 0.001)
            crossed = crossed || (c.to - c.from) * (spring.value(t) - c.to) > 1e-9 ||
                      (c.from == c.to && std::fabs(spring.value(t) - c.to) > 0 && spring.value(t) < c.to);
        EXPECT_EQ(crossed, c.overshoots) << c.damping;
        // The velocity is the value's rate of change.
        for (double t : {0.01, 0.1, 0.3, 0.7}) {
            const double h = 1e-6;
            const double slope = (spring.value(t + h) - spring.value(t - h)) / (2 * h);
            EXPECT_NEAR(spring.velocity(t), slope, 1e-4 * std::max(1.0, std::fabs(slope))) << c.damping << " at " << t;
        }
    }
    EXPECT_EQ(Spring(0.45, 0.82, 3, 3).settlingTime(), 0);
}

TEST(Spring, RetargetingKeepsValueAndVelocity) {
    for (double damping : {0.5, 0.82, 1.0, 1.4}) {
        const Spring first(0.45, damping, 0, 100);
        const double t = 0.12;
        const Spring second = first.retargeted(t, -40);
        EXPECT_DOUBLE_EQ(second.value(0), first.value(t));
        EXPECT_NEAR(second.velocity(0), first.velocity(t), 1e-9);
        EXPECT_EQ(second.target(), -40);
        EXPECT_NEAR(second.value(second.settlingTime() + 0.5), -40, 0.2);
    }
}
