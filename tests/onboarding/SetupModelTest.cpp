#include "onboarding/SetupModel.h"

#include "FakeSetup.h"
#include "QtPrinters.h"
#include "RunSync.h"
#include "platform/system/Defaults.h"
#include "runtime/FileError.h"

#include <gtest/gtest.h>

#include <QCoro/QCoroFuture>
#include <QDir>
#include <QPromise>

#include <cerrno>

namespace {

class SetupModelTest : public ::testing::Test {
protected:
    ::Setup setup(const QString& bundle = QStringLiteral("/home/ann/Downloads/Quenlark.app")) {
        return fake.make(bundle);
    }

    FakeSetup fake{QStringLiteral("setup-model")};
    std::shared_ptr<Defaults>& defaults = fake.defaults;
    FakeLoginItem& login = fake.login;
    QStringList& relaunched = fake.relaunched;
    int& terminated = fake.terminated;
};

QCoro::Task<QString> result(QFuture<QString> future) { co_return co_await future; }

} // namespace

TEST_F(SetupModelTest, KeepingItHereGoesOnToTheLoginQuestionOnlyWhileItIsDue) {
    struct Row {
        bool askedLogin, loginOn;
        SetupStep next;
    };
    for (const Row& row :
         {Row{false, false, SetupStep::login}, Row{true, false, SetupStep::done}, Row{false, true, SetupStep::done}}) {
        SCOPED_TRACE(testing::Message() << row.askedLogin << row.loginOn);
        defaults->remove(::Setup::askedLoginKey);
        defaults->remove(::Setup::skipMoveKey);
        if (row.askedLogin)
            defaults->set(::Setup::askedLoginKey, true);
        login.on = row.loginOn;
        ::Setup s = setup();
        SetupModel m(s, SetupStep::move);
        EXPECT_EQ(m.mark(SetupStep::move), SetupModel::Mark::current);
        EXPECT_EQ(m.mark(SetupStep::login), SetupModel::Mark::pending);
        m.keepHere();
        EXPECT_TRUE(defaults->boolean(::Setup::skipMoveKey));
        EXPECT_EQ(m.step(), row.next);
        EXPECT_EQ(m.mark(SetupStep::move), SetupModel::Mark::done) << "kept here counts as done";
        m.answerLogin(false);
        EXPECT_EQ(m.step(), SetupStep::done);
        EXPECT_EQ(m.mark(SetupStep::login), SetupModel::Mark::done);
    }
}

TEST_F(SetupModelTest, AFailedMoveSaysSoAndStaysAndASecondPressWhileMovingIsIgnored) {
    ::Setup s = setup(QStringLiteral("/private/var/folders/AppTranslocation/x/Quenlark.app"));
    // A move that waits for the test to finish it, as a long copy would.
    std::optional<QPromise<QString>> pending;
    int moves = 0;
    const auto mover = [&](::Setup::Move) {
        ++moves;
        pending.emplace();
        pending->start();
        return result(pending->future());
    };
    SetupModel m(s, SetupStep::move, mover);
    EXPECT_TRUE(m.card().body.startsWith(QStringLiteral("It's running from your Downloads. ")));

    auto first = m.moveToApplications();
    QCoreApplication::processEvents();
    runSync(m.moveToApplications());             // a second press while the first runs
    SetupModel again(s, SetupStep::move, mover); // the page made afresh, or the other window
    runSync(again.moveToApplications());
    EXPECT_EQ(moves, 1);
    pending->setException(std::make_exception_ptr(FileError(FileError::Op::Copy, QStringLiteral("/x"), ENOSPC)));
    pending->finish();
    runSync(std::move(first));
    EXPECT_EQ(m.step(), SetupStep::move);
    EXPECT_EQ(m.error(), QStringLiteral("Couldn't move it: There isn't enough space on the disk. Drag Quenlark into "
                                        "Applications yourself, then open it from there."));
    EXPECT_TRUE(relaunched.isEmpty());

    // Tried again, and this time it works: the moved copy is started and this one ends.
    auto second = m.moveToApplications();
    QCoreApplication::processEvents();
    EXPECT_EQ(moves, 2);
    pending->addResult(QStringLiteral("/home/ann/Applications/Quenlark.app"));
    pending->finish();
    runSync(std::move(second));
    EXPECT_EQ(relaunched, QStringList{QStringLiteral("/home/ann/Applications/Quenlark.app/quenlark")});
    EXPECT_EQ(terminated, 1);
    runSync(m.moveToApplications());
    EXPECT_EQ(moves, 2) << "nothing moves again while this copy ends";
    m.keepHere();
    EXPECT_TRUE(m.error().has_value()) << "the sentence stays under the later cards";
}
