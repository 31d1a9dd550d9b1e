#include "runtime/Shell.h"

#include "FakeShell.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <memory>

TEST(Shell, TheInstalledFakeAnswersAndRecordsAndTheQuietDefaultReturnsWhenItGoes) {
    auto fake = std::make_unique<FakeShell>();
    fake->answers = {true};
    const Shell::Question question{QStringLiteral("Move to Trash?"),
                                   QStringLiteral("Foo will be removed."),
                                   QStringLiteral("Move to Trash"),
                                   {},
                                   true};
    EXPECT_TRUE(runSync(Shell::current().confirm(question)));
    EXPECT_FALSE(runSync(Shell::current().confirm(question))); // answers ran out
    Shell::current().openUrl(QUrl(QStringLiteral("https://example.com")));
    ASSERT_EQ(fake->questions.size(), 2);
    EXPECT_EQ(fake->questions.first().confirm, QStringLiteral("Move to Trash"));
    EXPECT_TRUE(fake->questions.first().destructive);
    EXPECT_EQ(fake->openedUrls.size(), 1);

    fake.reset();
    // Nobody to ask: nothing is confirmed and nothing is opened.
    EXPECT_FALSE(runSync(Shell::current().confirm(question)));
    EXPECT_FALSE(Shell::current().openUrl(QUrl(QStringLiteral("https://example.com"))));
}
