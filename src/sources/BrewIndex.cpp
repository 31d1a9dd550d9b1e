#include "sources/BrewIndex.h"

#include "platform/system/SystemInfo.h"
#include "runtime/Blocking.h"
#include "runtime/CheckError.h"
#include "runtime/Clock.h"
#include "runtime/MainThread.h"
#include "runtime/TransportError.h"
#include "sources/Net.h"

#include <QCoro/QCoroNetworkReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSaveFile>

#include <coroutine>
#include <vector>

namespace {

const QString catalogueFile = QStringLiteral("cask.json");
const QString validatorFile = QStringLiteral("cask.json.validator");

std::optional<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// What the conditional request needs from the disk copy.
struct Validator {
    bool copyExists = false;
    QStringList lines;
};

} // namespace

// One load in progress; callers that arrive meanwhile wait for its outcome.
struct BrewIndex::Loading {
    bool finished = false;
    std::exception_ptr error;
    std::vector<std::coroutine_handle<>> waiters;

    struct Join {
        std::shared_ptr<Loading> loading;
        bool await_ready() const noexcept { return loading->finished; }
        void await_suspend(std::coroutine_handle<> handle) { loading->waiters.push_back(handle); }
        void await_resume() const {
            if (loading->error)
                std::rethrow_exception(loading->error);
        }
    };

    void finish(std::exception_ptr outcome) {
        finished = true;
        error = outcome;
        // Queued, so that the joiners run after the caller that loaded, never inside it.
        // Each queued resume counts as work in flight, as the resume itself uncounts it.
        for (auto handle : waiters) {
            Blocking::resumeOnMainThread(handle);
        }
        waiters.clear();
    }
};

BrewIndex::BrewIndex(QUrl url, std::optional<QString> cache) : url_(std::move(url)), cache_(std::move(cache)) {}

BrewIndex::~BrewIndex() = default;

QCoro::Task<std::optional<Cask>> BrewIndex::cask(QString bundleID, QString fileName) {
    co_await load();
    co_return tables_.cask(bundleID, fileName);
}

QCoro::Task<void> BrewIndex::load() {
    QL_ASSERT_MAIN_THREAD();
    if (loadedAt_ && loadedAt_->msecsTo(Clock::shared().now()) < reuseSeconds * 1000)
        co_return;
    if (loading_) {
        Loading::Join join{loading_};
        co_await join;
        co_return;
    }
    auto loading = std::make_shared<Loading>();
    loading_ = loading;
    std::exception_ptr error;
    try {
        co_await fetch();
    } catch (...) {
        error = std::current_exception();
    }
    loading_.reset();
    loading->finish(error);
    if (error)
        std::rethrow_exception(error);
}

QCoro::Task<std::optional<QByteArray>> BrewIndex::download() {
    if (!cache_) {
        auto request = Net::get(url_);
        co_return co_await std::move(request);
    }

    const QString folder = *cache_;
    const QString copyPath = folder + QLatin1Char('/') + catalogueFile;
    const QString validatorPath = folder + QLatin1Char('/') + validatorFile;

    // The one client keeps no cache, so nothing local can answer. Qt's "always network" load
    // control would add "Cache-Control: no-cache" and "Pragma: no-cache", making the caches in
    // front of the catalogue pass every conditional request through to its origin.
    QNetworkRequest request(url_);
    request.setTransferTimeout(60'000);
    auto readValidator = [copyPath, validatorPath] {
        Validator result;
        result.copyExists = QFile::exists(copyPath);
        if (const auto text = readFile(validatorPath))
            result.lines = QString::fromUtf8(*text).split(QLatin1Char('\n'));
        return result;
    };
    const Validator validator = co_await Blocking::run(readValidator);
    if (validator.copyExists && validator.lines.size() == 2) {
        if (!validator.lines[0].isEmpty())
            request.setRawHeader("If-None-Match", validator.lines[0].toUtf8());
        else if (!validator.lines[1].isEmpty())
            request.setRawHeader("If-Modified-Since", validator.lines[1].toUtf8());
    }

    // Through the shared client: its body ceiling, redirect rule and time-out handling apply.
    auto send = Net::send(request);
    const Net::Response response = co_await std::move(send);
    const int code = response.status.value_or(0);

    if (code == 304) {
        auto readable = [copyPath] { return QFileInfo(copyPath).isReadable(); };
        if (co_await Blocking::run(readable)) {
            reused_ = true;
            co_return std::nullopt;
        }
    }
    reused_ = false;
    if (code < 200 || code > 299)
        throw CheckError(QStringLiteral("The server answered HTTP ") + QString::number(code));

    const QByteArray body = response.body;
    const QByteArray validatorText = response.header("ETag") + '\n' + response.header("Last-Modified");
    // Failed writes only cost the next load a full download.
    auto writeCopy = [folder, copyPath, validatorPath, body, validatorText] {
        QDir().mkpath(folder);
        if (writeAtomically(copyPath, body))
            writeAtomically(validatorPath, validatorText);
    };
    co_await Blocking::run(writeCopy);
    co_return body;
}

QCoro::Task<void> BrewIndex::fetch() {
    const std::optional<QByteArray> bytes = co_await download();
    const bool arm = SystemInfo::isArm();
    const int macOS = SystemInfo::macOSVersion().major;
    // The disk copy is read through a mapping, costing no memory of its own.
    const QString copyPath = cache_.value_or(QString()) + QLatin1Char('/') + catalogueFile;
    auto parse = [bytes, copyPath, arm, macOS] {
        return bytes ? BrewCatalogue::parse(*bytes, arm, macOS) : BrewCatalogue::load(copyPath, arm, macOS);
    };
    auto parsed = co_await Blocking::run(parse);
    if (!parsed) {
        if (cache_) {
            const QString validatorPath = *cache_ + QLatin1Char('/') + validatorFile;
            auto forget = [validatorPath] { QFile::remove(validatorPath); };
            co_await Blocking::run(forget);
        }
        throw CheckError(QStringLiteral("The cask index has an unexpected format"));
    }
    // The old tables are emptied off the GUI thread: tens of thousands of strings.
    auto old = std::make_shared<BrewCatalogue>(std::exchange(tables_, std::move(*parsed)));
    loadedAt_ = Clock::shared().now();
    auto release = [old] { *old = BrewCatalogue{}; };
    co_await Blocking::run(release);
}
