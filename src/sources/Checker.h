#pragma once

#include "model/Attempt.h"
#include "model/InstalledApp.h"
#include "model/Release.h"
#include "runtime/CancelToken.h"
#include "sources/Cask.h"
#include "sources/Endpoints.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class BrewIndex;

// Finds an installed application's newest release by asking the update sources in a fixed
// order: App Store, appcast, Homebrew cask, GitHub (named by the cask), electron-updater. A
// plain value; every check of a session shares one catalogue.
struct Checker {
    // The source operations the chain calls; replaceable in tests.
    struct Sources {
        std::function<QUrl(const InstalledApp&, const Endpoints&)> lookupURL;
        std::function<QCoro::Task<Release>(InstalledApp, QUrl, CancelToken)> appStore;
        std::function<QCoro::Task<Release>(QUrl, CancelToken)> sparkle;
        std::function<QCoro::Task<Release>(QUrl, CancelToken)> github;
        std::function<QCoro::Task<Release>(QUrl, CancelToken)> electron;

        static Sources real();
    };

    // What the steps of one check share: the app, where and how to ask, and what an earlier
    // step found for a later one.
    struct Context {
        InstalledApp app;
        Endpoints endpoints;
        std::shared_ptr<BrewIndex> brew;
        Sources sources;
        CancelToken token;
        // The cask the Homebrew step found, which names the repository the GitHub step asks.
        std::optional<Cask> cask;
    };

    // One source's turn: its attempt, and its release when it passed, which ends the check.
    struct Turn {
        Attempt attempt;
        std::optional<Release> release;
    };

    // A source's place in the chain. It never throws: a failure is its attempt.
    using Step = std::function<QCoro::Task<Turn>(Context&)>;

    // The five sources' steps, in the order a check tries them.
    static QList<Step> standardSteps();

    struct Check {
        QList<Attempt> attempts;
        std::optional<Release> release;
    };

    struct Result {
        InstalledApp app;
        QList<Attempt> attempts;
        std::optional<Release> release;
    };

    // Awaited for each finished check before the next one starts.
    using Each = std::function<QCoro::Task<void>(InstalledApp, QList<Attempt>, std::optional<Release>)>;

    Checker(Endpoints endpoints, std::shared_ptr<BrewIndex> brew, Sources sources = Sources::real());

    Endpoints endpoints;
    std::shared_ptr<BrewIndex> brew;
    Sources sources;
    QList<Step> steps = standardSteps();

    // One pass down the steps; never throws. Attempts end with the first that passed.
    QCoro::Task<Check> check(InstalledApp app, CancelToken token = {}) const;

    // Checks every application with at most `limit` checks at once and returns the results in
    // the order they finished. `each` runs for every result, one at a time; a new check starts
    // only after it returned. A limit below 1 starts nothing.
    QCoro::Task<QList<Result>> checkAll(QList<InstalledApp> apps, int limit, Each each = {},
                                        CancelToken token = {}) const;

    // The appcast source, also used on its own to restore applications.
    QCoro::Task<Release> sparkle(QUrl feedURL, CancelToken token = {}) const;
    // The GitHub source for a latest-release API URL, also used on its own.
    QCoro::Task<Release> github(QUrl url, CancelToken token = {}) const;
};
