#include "model/NotchMemory.h"
#include "model/NotchMode.h"
#include "platform/system/ReferenceDate.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

TEST(NotchMemory, KeepsDatesAsSecondsSince2001AndLeavesAbsentOnesOut) {
    NotchMemory memory;
    memory.lastShown = ReferenceDate::fromSeconds(786000000.5);
    memory.lastShownKeys = {"com.example.A@2.0"};
    memory.dismissedKeys = {"com.example.B@1.1", "com.example.C@3"};
    memory.dismissals = 2;
    memory.askedToStop = true;

    const QJsonObject object = QJsonDocument::fromJson(memory.toJson()).object();
    EXPECT_EQ(object.value("lastShown").toDouble(), 786000000.5);
    EXPECT_FALSE(object.contains("snoozedUntil"));
    EXPECT_EQ(object.keys(), (QStringList{"askedToStop", "dismissals", "dismissedKeys", "lastShown", "lastShownKeys"}));
    EXPECT_EQ(NotchMemory::fromJson(memory.toJson()), memory);
    EXPECT_EQ(NotchMemory::fromJson(NotchMemory().toJson()), NotchMemory());
    EXPECT_FALSE(NotchMemory().toJson().contains("\"lastShown\""));
}

TEST(NotchMemory, DecodesOnlyACompleteRecord) {
    const auto decoded = NotchMemory::fromJson(
        R"({"snoozedUntil":-3600,"lastShownKeys":[],"dismissedKeys":["k"],"dismissals":1,"askedToStop":false,"extra":1})");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->snoozedUntil, QDateTime::fromString("2000-12-31T23:00:00Z", Qt::ISODate));
    EXPECT_FALSE(decoded->lastShown);
    EXPECT_EQ(decoded->dismissedKeys, QStringList{"k"});

    const char* broken[] = {
        R"({"lastShownKeys":[],"dismissedKeys":[],"askedToStop":false})",                  // no dismissals
        R"({"lastShownKeys":[],"dismissedKeys":[],"dismissals":1})",                       // no askedToStop
        R"({"lastShownKeys":[1],"dismissedKeys":[],"dismissals":1,"askedToStop":false})",  // a key that is no text
        R"({"lastShownKeys":[],"dismissedKeys":[],"dismissals":1.5,"askedToStop":false})", // not an integer
        R"({"lastShownKeys":[],"dismissedKeys":[],"dismissals":1,"askedToStop":0})",       // not a Boolean
        R"({"lastShown":"today","lastShownKeys":[],"dismissedKeys":[],"dismissals":1,"askedToStop":false})",
        R"([])",
        "",
    };
    for (const char* json : broken)
        EXPECT_FALSE(NotchMemory::fromJson(json)) << json;
}

TEST(NotchMode, ReadsOnlyItsOwnNames) {
    EXPECT_EQ(NotchModes::from("daily"), NotchMode::daily);
    EXPECT_EQ(NotchModes::from("never"), NotchMode::never);
    EXPECT_FALSE(NotchModes::from("Smart"));
    EXPECT_FALSE(NotchModes::from(""));
    for (auto mode : NotchModes::all())
        EXPECT_EQ(NotchModes::from(NotchModes::rawValue(mode)), mode);
}
