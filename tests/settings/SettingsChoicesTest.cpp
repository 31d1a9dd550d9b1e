#include "settings/SettingsChoices.h"

#include <QLocale>
#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(SettingsChoices, IntervalsAreTheFiveEntriesAndAnUnknownValueSelectsNone) {
    struct Case {
        qint64 hours;
        int index;
        QString label;
    };
    const QList<Case> cases{
        {0, 0, u"Only when I ask"_s},
        {1, 1, u"Every hour"_s},
        {6, 2, u"Every 6 hours"_s},
        {24, 3, u"Every day"_s},
        {168, 4, u"Every week"_s},
        {12, -1, {}},
        {-1, -1, {}},
    };
    ASSERT_EQ(SettingsChoices::intervals().size(), 5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hours);
        EXPECT_EQ(SettingsChoices::intervalIndex(c.hours), c.index);
        if (c.index >= 0) {
            EXPECT_EQ(SettingsChoices::intervals()[c.index].label, c.label);
            EXPECT_EQ(SettingsChoices::intervals()[c.index].hours, c.hours);
        }
    }
}

TEST(SettingsChoices, NotchModesInCaseOrderWithTheirFooterAndQuietHours) {
    const QString smart = u"Smart: once after login, after unlocking if it's been 8 hours, and when a check finds "
                          "something new, at most once a day. It waits out quiet hours, full-screen apps and other "
                          "apps' notch panels."_s;
    const QString never = u"Updates show as a count on the menu bar icon, and as a notification if notifications are "
                          "allowed."_s;
    struct Case {
        NotchMode mode;
        QString label, footer;
        bool quiet;
    };
    const QList<Case> cases{
        {NotchMode::smart, u"Smart (recommended)"_s, smart, true},
        {NotchMode::daily, u"At most once a day"_s, smart, true},
        {NotchMode::login, u"Only at login"_s, smart, true},
        {NotchMode::never, u"Never (menu bar count only)"_s, never, false},
    };
    ASSERT_EQ(NotchModes::all().size(), cases.size());
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.label.toStdString());
        EXPECT_EQ(NotchModes::all()[i], c.mode);
        EXPECT_EQ(SettingsChoices::label(c.mode), c.label);
        EXPECT_EQ(SettingsChoices::notchFooter(c.mode), c.footer);
        EXPECT_EQ(SettingsChoices::showsQuietHours(c.mode), c.quiet);
    }
}

TEST(SettingsChoices, TabsAndTheirWindowSizes) {
    QStringList tags, labels, symbols;
    for (const auto& tab : SettingsChoices::tabs()) {
        tags << tab.tag;
        labels << tab.label;
        symbols << tab.symbol;
        EXPECT_EQ(SettingsChoices::size(tab.tag), QSize(560, tab.tag == u"account"_s ? 600 : 420));
    }
    EXPECT_EQ(tags, (QStringList{u"general"_s, u"updates"_s, u"account"_s, u"apps"_s, u"permissions"_s}));
    EXPECT_EQ(labels, (QStringList{u"General"_s, u"Updates"_s, u"Account"_s, u"Apps"_s, u"Permissions"_s}));
    EXPECT_EQ(symbols, (QStringList{u"gearshape"_s, u"arrow.down.circle"_s, u"person.crop.circle"_s,
                                    u"square.grid.2x2"_s, u"lock.shield"_s}));
}

// Labelled from the hour alone: a day whose clock change skips or repeats an hour cannot make two
// entries read alike, in a 24-hour or a 12-hour locale.
TEST(SettingsChoices, QuietHourLabelsAreTwentyFourDifferentTimesInTheUsersLocale) {
    struct Case {
        const char* locale;
        QString at22, at0;
    };
    const QList<Case> cases{
        {"de_DE", u"22:00"_s, u"00:00"_s},
        {"en_GB", u"22:00"_s, u"00:00"_s},
        {"C", u"22:00"_s, u"00:00"_s},
        {"en_US", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        const QLocale locale(QString::fromLatin1(c.locale));
        QSet<QString> seen;
        for (int hour = 0; hour < 24; ++hour)
            seen.insert(SettingsChoices::hour(hour, locale));
        EXPECT_EQ(seen.size(), 24);
        if (!c.at22.isEmpty()) {
            EXPECT_EQ(SettingsChoices::hour(22, locale), c.at22);
            EXPECT_EQ(SettingsChoices::hour(0, locale), c.at0);
        } else {
            EXPECT_TRUE(SettingsChoices::hour(22, locale).startsWith(u"10:00"_s));
            EXPECT_TRUE(SettingsChoices::hour(22, locale).endsWith(u"PM"_s));
            EXPECT_TRUE(SettingsChoices::hour(10, locale).endsWith(u"AM"_s));
        }
    }
}
