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

QString fileName(const QString& bundlePath) {
    return bundlePath.mid(bundlePath.lastIndexOf(QLatin1Char('/')) + 1);
}

Attempt passed(SourceKind kind, const QUrl& url, const Release& release) {
    const QString found = release.version ? *release.version : release.build ? *release.build : QStringLiteral("?");
    qCDebug(lcSources).noquote() << "check step" << SourceKinds::rawValue(kind) << Log::redacted(url) << "found" << found;
    return Attempt(kind, url.toString(QUrl::FullyEncoded), found, Attempt::Outcome::pass());
}

Attempt failed(SourceKind kind, const QUrl& url, std::exception_ptr error) {
    qCDebug(lcSources).noquote() << "check step" << SourceKinds::rawValue(kind) << Log::redacted(url) << "failed:"
                                 << Log::redacted(describe(error));
    return Attempt(kind, url.toString(QUrl::FullyEncoded), std::nullopt, Attempt::Outcome::fail(describe(error)));
}

Attempt skipped(SourceKind kind, QString reason, std::optional<QString> url = std::nullopt) {
    qCDebug(lcSources).noquote() << "check step" << SourceKinds::rawValue(kind) << "skipped:" << reason;
    return Attempt(kind, std::move(url), std::nullopt, Attempt::Outcome::skipped(std::move(reason)));
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
    // Copies, so that the check never depends on the checker outliving it. Every source call is
    // made before its co_await, so no temporary lives inside an await that can throw.
    const Endpoints urls = endpoints;
    const std::shared_ptr<BrewIndex> index = brew;
    const Sources chain = sources;
    Check result;
    std::exception_ptr error;
    qCDebug(lcSources).noquote() << "check of" << app.bundleID << "started";

    // The sources in turn; the first that gives a release ends the check. The App Store first.
    if (app.isAppStore) {
        const QUrl url = chain.lookupURL(app, urls);
        try {
            auto request = chain.appStore(app, url, token);
            Release release = co_await std::move(request);
            result.attempts.append(passed(SourceKind::appStore, url, release));
            result.release = std::move(release);
            co_return result;
        } catch (...) {
            error = std::current_exception();
        }
        result.attempts.append(failed(SourceKind::appStore, url, error));
    } else {
        result.attempts.append(skipped(SourceKind::appStore, QStringLiteral("No App Store receipt")));
    }

    // The appcast.
    if (app.feedURL) {
        const QUrl feed = *app.feedURL;
        try {
            auto request = chain.sparkle(feed, token);
            Release release = co_await std::move(request);
            release.ref = feed.toString(QUrl::FullyEncoded);
            result.attempts.append(passed(SourceKind::sparkle, feed, release));
            result.release = std::move(release);
            co_return result;
        } catch (...) {
            error = std::current_exception();
        }
        result.attempts.append(failed(SourceKind::sparkle, feed, error));
    } else {
        result.attempts.append(skipped(SourceKind::sparkle, QStringLiteral("No SUFeedURL in Info.plist")));
    }

    // Homebrew.
    const QString name = fileName(app.url);
    const QUrl catalogue = urls.caskCatalogue();
    std::optional<Cask> cask;
    bool lookedUp = false;
    try {
        auto lookup = index->cask(app.bundleID, name);
        cask = co_await std::move(lookup);
        lookedUp = true;
    } catch (...) {
        error = std::current_exception();
    }
    if (!lookedUp) {
        result.attempts.append(failed(SourceKind::homebrew, catalogue, error));
    } else if (cask) {
        const QUrl url = urls.cask(cask->token);
        try {
            Release release = cask->release();
            release.ref = cask->token;
            result.attempts.append(passed(SourceKind::homebrew, url, release));
            result.release = std::move(release);
            co_return result;
        } catch (...) {
            result.attempts.append(failed(SourceKind::homebrew, url, std::current_exception()));
        }
    } else {
        // The one skipped attempt that names what it queried.
        result.attempts.append(skipped(SourceKind::homebrew,
                                       QStringLiteral("No cask installs ") + OutsideText::isolated(name),
                                       catalogue.toString(QUrl::FullyEncoded)));
    }

    // GitHub, only for a repository the cask names.
    const std::optional<QString> repository = cask ? cask->githubRepo() : std::nullopt;
    if (repository) {
        const QUrl url = urls.latestRelease(*repository);
        try {
            auto request = chain.github(url, token);
            Release release = co_await std::move(request);
            release.ref = *repository;
            result.attempts.append(passed(SourceKind::github, url, release));
            result.release = std::move(release);
            co_return result;
        } catch (...) {
            error = std::current_exception();
        }
        result.attempts.append(failed(SourceKind::github, url, error));
    } else {
        result.attempts.append(skipped(SourceKind::github, QStringLiteral("No GitHub repository known")));
    }

    // electron-updater.
    if (app.electronFeed) {
        const QUrl feed = *app.electronFeed;
        try {
            auto request = chain.electron(feed, token);
            Release release = co_await std::move(request);
            result.attempts.append(passed(SourceKind::electron, feed, release));
            result.release = std::move(release);
            co_return result;
        } catch (...) {
            error = std::current_exception();
        }
        result.attempts.append(failed(SourceKind::electron, feed, error));
    } else {
        result.attempts.append(
            skipped(SourceKind::electron, QStringLiteral("No electron-updater config (app-update.yml)")));
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
    std::vector<QCoro::Task<void>> children;
    children.reserve(static_cast<size_t>(count));
    for (qsizetype i = 0; i < started; ++i)
        children.push_back(child(self, apps[i], token, group));
    qsizetype running = started;
    while (running > 0) {
        co_await Group::Next{*group};
        Result finished = std::move(group->finished.front());
        group->finished.pop_front();
        --running;
        results.append(finished);
        if (each) {
            auto callback = each(finished.app, finished.attempts, finished.release);
            co_await std::move(callback);
        }
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
