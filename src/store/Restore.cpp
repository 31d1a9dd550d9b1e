#include "store/Restore.h"

#include "runtime/FileError.h"
#include "runtime/Log.h"
#include "runtime/OutsideText.h"
#include "runtime/Url.h"
#include "sources/BrewIndex.h"
#include "sources/WebLink.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

const QString githubWebHost = QStringLiteral("github.com");
const QStringList storeHosts{QStringLiteral("apps.apple.com"), QStringLiteral("itunes.apple.com")};
const QByteArray webSearch = "https://www.google.com/search?q=";

// The library's record comes from the account's documents: only a plain owner/name becomes a
// path of the GitHub service.
std::optional<QString> plainRepository(const std::optional<QString>& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(^[A-Za-z0-9_.-]+/[A-Za-z0-9_.-]+\z)"));
    if (!text || !pattern.match(*text).hasMatch())
        return std::nullopt;
    for (const QString& part : text->split(u'/'))
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return std::nullopt;
    return text;
}

// The query text encoded with the characters a query allows, less those that would end the
// value early ("&", "=", "+" would split or change it).
QByteArray queryValue(const QString& text) { return QUrl::toPercentEncoding(text, "!$'()*,;:@/?"); }

// The first candidate of a source that yields one: a release with a download, tagged with what
// yielded it.
QCoro::Task<std::optional<Release>> ask(QCoro::Task<Release> request, QString ref, const char* what) {
    std::optional<Release> found;
    try {
        Release release = co_await std::move(request);
        if (release.download) {
            release.ref = ref;
            found = std::move(release);
        }
    } catch (...) {
        Log::swallowed(lcLibrary(), what, std::current_exception());
    }
    co_return found;
}

// A candidate release built from a cask, whatever its version says ("latest" included); nothing
// for a cask without a download address.
std::optional<Release> candidate(const Cask& cask) {
    if (!cask.url)
        return std::nullopt;
    Release release;
    release.kind = SourceKind::homebrew;
    release.version = cask.version.split(u',', Qt::SkipEmptyParts).value(0);
    release.notesURL = WebLink::web(cask.homepage);
    Download download;
    download.url = *cask.url;
    if (cask.sha256 && *cask.sha256 != QLatin1String("no_check"))
        download.sha256 = cask.sha256;
    download.package = cask.pkg;
    release.download = download;
    release.ref = cask.token;
    return release;
}

} // namespace

namespace Restore {

std::optional<QUrl> storePage(const std::optional<QString>& storeURL) {
    const std::optional<QUrl> page = WebLink::store(storeURL);
    if (page && WebLink::web(page->toString()) && !storeHosts.contains(page->host().toLower()))
        return std::nullopt;
    return page;
}

QCoro::Task<Route> route(LibraryApp app, Checker checker) {
    // The App Store keeps the application; nothing else is asked.
    if (const auto page = storePage(app.storeURL))
        co_return Route::store(*page);

    // At most two casks: the one the record names, then the one that installs the app.
    const std::shared_ptr<BrewIndex> brew = checker.brew;
    QList<Cask> casks;
    if (app.caskToken) {
        try {
            auto loading = brew->load();
            co_await std::move(loading);
            if (auto cask = brew->tables().byToken(*app.caskToken))
                casks.append(std::move(*cask));
        } catch (...) {
            Log::swallowed(lcLibrary(), "Loading the cask catalogue for a restore", std::current_exception());
        }
    }
    try {
        auto lookup = brew->cask(app.id, app.name + QStringLiteral(".app"));
        const std::optional<Cask> found = co_await std::move(lookup);
        const bool known = found && std::any_of(casks.cbegin(), casks.cend(),
                                                [&found](const Cask& cask) { return cask.token == found->token; });
        if (found && !known)
            casks.append(*found);
    } catch (...) {
        Log::swallowed(lcLibrary(), "Finding the cask of a restored app", std::current_exception());
    }

    // Homebrew candidates, in the order of the casks.
    QList<Release> candidates;
    for (const Cask& cask : casks)
        if (auto release = candidate(cask))
            candidates.append(std::move(*release));

    // The appcast, only over the web: the record comes from the account's documents.
    if (const auto feed = WebLink::web(app.feedURL)) {
        const QString ref = feed->toString(QUrl::FullyEncoded);
        auto request = checker.sparkle(*feed);
        auto asking = ask(std::move(request), ref, "Reading the appcast of a restored app");
        if (auto release = co_await std::move(asking))
            candidates.append(std::move(*release));
    }

    // GitHub: the record's repository, else the first one a cask names.
    std::optional<QString> repository = plainRepository(app.githubRepo);
    if (!app.githubRepo) {
        for (const Cask& cask : casks) {
            if (const auto named = cask.githubRepo()) {
                repository = plainRepository(named);
                break;
            }
        }
    }
    if (repository) {
        auto request = checker.github(checker.endpoints.latestRelease(*repository));
        auto asking = ask(std::move(request), *repository, "Asking GitHub for a restored app");
        if (auto release = co_await std::move(asking))
            candidates.append(std::move(*release));
    }

    if (!candidates.isEmpty())
        co_return Route::install(std::move(candidates));

    // Nothing this Mac can verify: the user fetches it.
    QString reason;
    if (app.source == QLatin1String("Electron"))
        reason = QStringLiteral("It updates itself, but there's no download Quenlark can verify.");
    else if (app.caskToken)
        reason = QStringLiteral("Its Homebrew cask (") + OutsideText::isolated(*app.caskToken) +
                 QStringLiteral(") isn't available any more, and there's no other download Quenlark can verify.");
    else
        reason = QStringLiteral("Quenlark found no download for it: no Homebrew cask, Sparkle feed or GitHub release.");
    const std::optional<Cask> first = casks.isEmpty() ? std::nullopt : std::optional<Cask>(casks.first());
    co_return Route::manual(website(app, first, std::nullopt), reason);
}

QUrl website(const LibraryApp& app, const std::optional<Cask>& cask, const std::optional<Release>& release) {
    if (const auto page = WebLink::web(app.homepage))
        return *page;
    if (cask) {
        if (const auto page = WebLink::web(cask->homepage))
            return *page;
    }
    if (release && release->kind.traits().pageIsHomepage && release->notesURL)
        return *release->notesURL;
    if (app.githubRepo) {
        if (const auto page = Url::parse(QStringLiteral("https://") + githubWebHost + u'/' + *app.githubRepo))
            return *page;
    }
    const QByteArray query = queryValue(app.name + QStringLiteral(" mac download"));
    return QUrl::fromEncoded(webSearch + query, QUrl::StrictMode);
}

Folder folder(const QString& primary, const QString& fallback) {
    if (::access(QFile::encodeName(primary).constData(), W_OK) == 0)
        return {primary, false};
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(fallback).toStdString(), error);
    if (error)
        throw FileError(FileError::Op::Create, fallback, error.value());
    return {fallback, true};
}

} // namespace Restore
