#include "TestSource.h"

namespace {

QCoro::Task<Checker::Turn> answer(QString bundleID, std::shared_ptr<int> asked, QString version) {
    ++*asked;
    Release release;
    release.kind = TestSource::kind;
    release.version = version;
    release.notes = QStringLiteral("**New** in this version");
    Attempt attempt(TestSource::kind, QStringLiteral("test:") + bundleID, version, Attempt::Outcome::pass());
    co_return Checker::Turn{std::move(attempt), std::move(release)};
}

} // namespace

namespace TestSource {

Checker::Step step(std::shared_ptr<int> asked, QString version) {
    return [asked, version](Checker::Context& context) { return answer(context.app.bundleID, asked, version); };
}

} // namespace TestSource
