#include "sources/Checker.h"

#include "model/SourceKind.h"
#include "runtime/Blocking.h"
#include "runtime/Describe.h"
#include "runtime/Log.h"
#include "runtime/OutsideText.h"
#include "sources/AppStoreSource.h"
#include "sources/Appcast.h"
#include "sources/BrewIndex.h"
#include "sources/ElectronSource.h"
#include "sources/GitHubSource.h"

#include <coroutine>
#include <deque>
#include <vector>

namespace {

QString fileName(const QString& bundlePath) { return bundlePath.mid(bundlePath.lastIndexOf(QLatin1Char('/')) + 1); }

Attempt passed(SourceKind kind, const QUrl& url, const Release& release) {
    const QString found = release.version ? *release.version : release.build ? *release.build : QStringLiteral("?");
    qCDebug(lcSources).noquote() << "check step" << SourceKinds::rawValue(kind) << Log::redacted(url) << "found"
                                 << found;
    return Attempt(kind, url.toString(QUrl::FullyEncoded), found, Attempt::Outcome::pass());
}

Attempt failed(SourceKind kind, const QUrl& url, std::exception_ptr error) {
    qCDebug(lcSources).noquote() << "check step" << SourceKinds::rawValue(kind) << Log::redacted(url)
                                 << "failed:" << Log::redacted(describe(error));
    return Attempt(kind, url.toString(QUrl::FullyEncoded), std::nullopt, Attempt::Outcome::fail(describe(error)));
}

Attempt skipped(SourceKind kind, QString reason, std::optional<QString> url = std::nullopt) {
    qCDebug(lcSources).noquote() << "check step" << SourceKinds::rawValue(kind) << "skipped:" << reason;
    return Attempt(kind, std::move(url), std::nullopt, Attempt::Outcome::skipped(std::move(reason)));
}

using Turn = Checker::Turn;

Turn skip(SourceKind kind, QString reason, std::optional<QString> url = std::nullopt) {
    return {skipped(kind, std::move(reason), std::move(url)), std::nullopt};
}

// Asks one source at `url`: passed with its release, given `ref` when there is one, or failed
// with the error's sentence.
QCoro::Task<Turn> ask(SourceKind kind, QUrl url, std::function<QCoro::Task<Release>()> request,
                      std::optional<QString> ref = std::nullopt) {
    std::exception_ptr error;
    try {
        auto task = request();
        Release release = co_await std::move(task);
        if (ref)
            release.ref = std::move(ref);
        Attempt attempt = passed(kind, url, release);
        co_return Turn{std::move(attempt), std::move(release)};
    } catch (...) {
        error = std::current_exception();
    }
    co_return Turn{failed(kind, url, error), std::nullopt};
}

QCoro::Task<Turn> appStoreStep(Checker::Context& c) {
    if (!c.app.isAppStore)
        co_return skip(SourceKind::appStore, QStringLiteral("No App Store receipt"));
    const QUrl url = c.sources.lookupURL(c.app, c.endpoints);
    auto turn = ask(SourceKind::appStore, url, [&c, url] { return c.sources.appStore(c.app, url, c.token); });
    Turn taken = co_await std::move(turn);
    co_return taken;
}

using FeedSource = std::function<QCoro::Task<Release>(QUrl, CancelToken)> Checker::Sources::*;

// A source asked at the feed the bundle names, skipped with `reason` when it names none; the
// release keeps the feed as its reference when `named`.
QCoro::Task<Turn> feedStep(Checker::Context& c, SourceKind kind, std::optional<QUrl> named, QString reason,
                           FeedSource source, bool keepsFeed) {
    if (!named)
        co_return skip(kind, std::move(reason));
    const QUrl feed = *named;
    const std::optional<QString> ref = keepsFeed ? std::optional(feed.toString(QUrl::FullyEncoded)) : std::nullopt;
    auto turn = ask(
        kind, feed, [&c, feed, source] { return (c.sources.*source)(feed, c.token); }, ref);
    Turn taken = co_await std::move(turn);
    co_return taken;
}

QCoro::Task<Turn> appcastStep(Checker::Context& c) {
    return feedStep(c, SourceKind::sparkle, c.app.feedURL, QStringLiteral("No SUFeedURL in Info.plist"),
                    &Checker::Sources::sparkle, true);
}

// The one step whose find a later step reads, and the one skipped attempt that names what it
// queried.
QCoro::Task<Turn> caskStep(Checker::Context& c) {
    const QString name = fileName(c.app.url);
    const QUrl catalogue = c.endpoints.caskCatalogue();
    std::exception_ptr error;
    try {
        auto lookup = c.brew->cask(c.app.bundleID, name);
        c.cask = co_await std::move(lookup);
    } catch (...) {
        error = std::current_exception();
    }
    if (error)
        co_return Turn{failed(SourceKind::homebrew, catalogue, error), std::nullopt};
    if (!c.cask)
        co_return skip(SourceKind::homebrew, QStringLiteral("No cask installs ") + OutsideText::isolated(name),
                       catalogue.toString(QUrl::FullyEncoded));
    const QUrl url = c.endpoints.cask(c.cask->token);
    try {
        Release release = c.cask->release();
        release.ref = c.cask->token;
        Attempt attempt = passed(SourceKind::homebrew, url, release);
        co_return Turn{std::move(attempt), std::move(release)};
    } catch (...) {
        error = std::current_exception();
    }
    co_return Turn{failed(SourceKind::homebrew, url, error), std::nullopt};
}

// Only for a repository the cask names.
QCoro::Task<Turn> githubStep(Checker::Context& c) {
    const std::optional<QString> repository = c.cask ? c.cask->githubRepo() : std::nullopt;
    if (!repository)
        co_return skip(SourceKind::github, QStringLiteral("No GitHub repository known"));
    const QUrl url = c.endpoints.latestRelease(*repository);
    auto turn = ask(
        SourceKind::github, url, [&c, url] { return c.sources.github(url, c.token); }, *repository);
    Turn taken = co_await std::move(turn);
    co_return taken;
}

QCoro::Task<Turn> electronStep(Checker::Context& c) {
    return feedStep(c, SourceKind::electron, c.app.electronFeed,
                    QStringLiteral("No electron-updater config (app-update.yml)"), &Checker::Sources::electron, false);
}

// The finished checks of one checkAll, waiting for the caller to take them.
struct Group {
    std::deque<Checker::Result> finished;
    std::coroutine_handle<> waiter;

    struct Next {
        Group& group;
        bool await_ready() const noexcept { return !group.finished.empty(); }
        void await_suspend(std::coroutine_handle<> handle) { group.waiter = handle; }
        void await_resume() const noexcept {}
    };
};

// Runs on its own copy of the checker, as each check of a group does.
QCoro::Task<void> child(Checker checker, InstalledApp app, CancelToken token, std::shared_ptr<Group> group) {
    auto check = checker.check(app, token);
    Checker::Check result = co_await std::move(check);
    qCDebug(lcSources).noquote() << "check of" << app.bundleID << (result.release ? "found a release" : "found none");
    group->finished.push_back({std::move(app), std::move(result.attempts), std::move(result.release)});
    if (auto waiter = std::exchange(group->waiter, {})) {
        // Queued, so the caller never runs inside a child.
        Blocking::resumeOnMainThread(waiter);
    }
}

} // namespace

Checker::Checker(Endpoints endpoints, std::shared_ptr<BrewIndex> brew, Sources sources)
    : endpoints(std::move(endpoints)), brew(std::move(brew)), sources(std::move(sources)) {}

QCoro::Task<Checker::Check> Checker::check(InstalledApp app, CancelToken token) const {
    // Copies, so that the check never depends on the checker outliving it. Every step is called
    // before its co_await, so no temporary lives inside an await that can throw.
    const QList<Step> chain = steps;
    Context context{std::move(app), endpoints, brew, sources, std::move(token), std::nullopt};
    Check result;
    qCDebug(lcSources).noquote() << "check of" << context.app.bundleID << "started";
    for (const Step& step : chain) {
        auto turn = step(context);
        Turn taken = co_await std::move(turn);
        result.attempts.append(std::move(taken.attempt));
        if (taken.release) {
            result.release = std::move(taken.release);
            break;
        }
    }
    co_return result;
}

QCoro::Task<QList<Checker::Result>> Checker::checkAll(QList<InstalledApp> apps, int limit, Each each,
                                                      CancelToken token) const {
    const Checker self = *this;
    QList<Result> results;
    const qsizetype count = apps.size();
    qsizetype started = limit < 1 ? 0 : std::min<qsizetype>(count, limit);
    auto group = std::make_shared<Group>();
    // The checks under way. A finished one's frame is freed as the next result is taken: kept to
    // the end, thousands would be awaited and freed in the turn that takes the last result.
    std::vector<QCoro::Task<void>> children;
    children.reserve(static_cast<size_t>(started) + 1);
    for (qsizetype i = 0; i < started; ++i)
        children.push_back(child(self, apps[i], token, group));
    qsizetype running = started;
    while (running > 0) {
        co_await Group::Next{*group};
        std::erase_if(children, [](const QCoro::Task<void>& task) { return task.isReady(); });
        Result finished = std::move(group->finished.front());
        group->finished.pop_front();
        --running;
        if (each) {
            auto callback = each(finished.app, finished.attempts, finished.release);
            co_await std::move(callback);
        }
        results.append(std::move(finished));
        if (started < count) {
            children.push_back(child(self, apps[started], token, group));
            ++started;
            ++running;
        }
    }
    for (auto& task : children)
        co_await task;
    co_return results;
}

QCoro::Task<Release> Checker::sparkle(QUrl feedURL, CancelToken token) const {
    return sources.sparkle(std::move(feedURL), std::move(token));
}

QCoro::Task<Release> Checker::github(QUrl url, CancelToken token) const {
    return sources.github(std::move(url), std::move(token));
}

QList<Checker::Step> Checker::standardSteps() {
    return {appStoreStep, appcastStep, caskStep, githubStep, electronStep};
}

Checker::Sources Checker::Sources::real() {
    Sources sources;
    sources.lookupURL = [](const InstalledApp& app, const Endpoints& endpoints) {
        return AppStoreSource::lookupURL(app, endpoints);
    };
    sources.appStore = [](InstalledApp app, QUrl url, CancelToken token) {
        return AppStoreSource::appStore(std::move(app), std::move(url), std::move(token));
    };
    sources.sparkle = [](QUrl feed, CancelToken token) { return Appcast::sparkle(std::move(feed), std::move(token)); };
    sources.github = [](QUrl url, CancelToken token) { return GitHubSource::github(std::move(url), std::move(token)); };
    sources.electron = [](QUrl feed, CancelToken token) {
        return ElectronSource::electron(std::move(feed), std::move(token));
    };
    return sources;
}
