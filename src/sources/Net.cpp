#include "sources/Net.h"

#include "platform/files/Sys.h"
#include "runtime/Cancelled.h"
#include "runtime/CheckError.h"
#include "runtime/Clock.h"
#include "runtime/FileError.h"
#include "runtime/MainThread.h"
#include "runtime/TransportError.h"
#include "sources/HttpStream.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>

#include <cerrno>
#include <coroutine>
#include <deque>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Keeps no cookie at all: nothing a server sets is sent back or kept.
class NoCookies : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

// Adds our User-Agent to every request made through the one manager, whoever builds it.
class Session : public QNetworkAccessManager {
public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& original, QIODevice* outgoing) override {
        QNetworkRequest request(original);
        if (!request.hasRawHeader("User-Agent"))
            request.setRawHeader("User-Agent", Net::userAgent().toUtf8());
        QNetworkReply* reply = QNetworkAccessManager::createRequest(op, request, outgoing);
        // Qt passes a read bound to its network thread only by a queued signal after the request
        // has started there, and not at all to the request behind a redirect, so this bound is
        // loose; answers taken whole are held to their ceiling, and downloads go through
        // HttpStream, which is bounded before it connects.
        reply->setReadBufferSize(4 * Net::readChunk);
        return reply;
    }
};

std::unique_ptr<Net>& instance() {
    static std::unique_ptr<Net> net;
    return net;
}

Net::Limits& pendingLimits() {
    static Net::Limits limits;
    return limits;
}

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const {
        if (reply)
            reply->deleteLater();
    }
};
using ReplyPtr = std::unique_ptr<QNetworkReply, ReplyDeleter>;

// A reader that refers to a coroutine's locals is cut off when they go, even if the coroutine is
// dropped before the reply finishes.
struct Connected {
    QMetaObject::Connection connection;
    ~Connected() { QObject::disconnect(connection); }
};

// What happened to one request besides what Qt reports.
struct Flight {
    bool cancelled = false;     // our token aborted it
    bool tooLarge = false;      // the body passed its ceiling
    bool failedCut = false;     // the body of a failed answer was cut off: its status is what counts
    bool timedOut = false;      // the deadline passed or the transfer crawled
    bool unfinished = false;    // Qt reported an error and never finished the reply
    std::int64_t received = 0;  // body bytes kept or written so far
    std::int64_t discarded = 0; // body bytes read away
    std::optional<QString> stopped;
    std::exception_ptr sinkError;

    bool endedByUs() const { return cancelled || tooLarge || failedCut || timedOut; }
};

// What ends a transfer that moves, but too slowly: a total deadline, or an average rate over a
// sliding window that stays below a floor.
struct Pace {
    std::optional<std::chrono::milliseconds> deadline;
    std::optional<std::chrono::milliseconds> window;
    std::int64_t floor = 0; // bytes per second
};

// Watches a transfer until `stop` is cancelled, ending it with `abort` as timed out when its pace
// fails.
QCoro::Task<void> watchPace(std::function<void()> abort, std::shared_ptr<Flight> flight, Pace pace, CancelToken stop) {
    using std::chrono::milliseconds;
    Clock& clock = Clock::shared();
    const milliseconds step =
        pace.window ? std::max(milliseconds(1), *pace.window / 60) : pace.deadline.value_or(milliseconds::max());
    const auto started = clock.uptime();
    const auto moved = [&flight] { return flight->received + flight->discarded; };
    std::deque<std::int64_t> samples{moved()}; // one per step, the newest last
    while (co_await clock.sleep(step, stop)) {
        const auto elapsed = clock.uptime() - started;
        bool crawling = false;
        if (pace.window) {
            samples.push_back(moved());
            const auto span = std::size_t(*pace.window / step);
            if (samples.size() > span + 1)
                samples.pop_front();
            crawling = samples.size() == span + 1 &&
                       samples.back() - samples.front() < pace.floor * pace.window->count() / 1000;
        }
        if (crawling || (pace.deadline && elapsed >= *pace.deadline)) {
            flight->timedOut = true;
            abort();
            co_return;
        }
    }
}

// Runs `watchPace` beside the transfer; `finish` ends it once the reply is done.
class PaceWatch {
public:
    PaceWatch(std::function<void()> abort, const std::shared_ptr<Flight>& flight, Pace pace)
        : task_(watchPace(std::move(abort), flight, pace, stop_)) {}
    QCoro::Task<void> finish() {
        stop_.cancel();
        co_await std::move(task_);
    }

private:
    CancelToken stop_;
    QCoro::Task<void> task_;
};

TransportError::Kind kindOf(QNetworkReply::NetworkError error) {
    using K = TransportError::Kind;
    switch (error) {
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // only the idle limit aborts besides us
        return K::TimedOut;
    case QNetworkReply::ConnectionRefusedError:
        return K::ConnectionRefused;
    case QNetworkReply::HostNotFoundError:
        return K::HostNotFound;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return K::ConnectionLost;
    case QNetworkReply::SslHandshakeFailedError:
        return K::Secure;
    case QNetworkReply::InsecureRedirectError:
        return K::UnsafeRedirect;
    case QNetworkReply::TooManyRedirectsError:
        return K::TooManyRedirects;
    case QNetworkReply::ProtocolUnknownError:
        return K::Unsupported;
    default:
        return K::Other;
    }
}

std::optional<int> httpStatus(QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return std::nullopt;
    return status.toInt();
}

bool succeeded(int status) { return status >= 200 && status <= 299; }

bool isRedirect(int status) { return status >= 300 && status <= 399; }

// What a failed answer's body may hold before the transfer is cut off: an error page.
constexpr std::int64_t failedBodyAllowance = 64 * 1024;

// The body of an answer that nobody reads, read away. A failed answer's body is let end by itself
// while it stays within an error page's size: Qt may have finished the reply already on its own
// thread, and a reply aborted then reports a second error when Qt's report of the first arrives.
// A larger one ends the transfer: Qt 6.4 stops delivering such a body after a few megabytes
// without ending the reply, so waiting for its end would only wait for a limit. The body of a
// redirect Qt may still follow is counted against the ceiling.
void discardBody(QNetworkReply& reply, Flight& flight, int status, std::int64_t ceiling) {
    flight.discarded += reply.readAll().size();
    const std::int64_t allowed = isRedirect(status) ? ceiling : std::min(ceiling, failedBodyAllowance);
    if (flight.discarded > allowed) {
        flight.failedCut = true;
        reply.abort();
    }
}

// Whether the transfer itself failed rather than the server answering with a failure. Qt also
// marks an HTTP error status as an error (codes from 200 up), so that alone says nothing; below
// 200 the transfer broke; a 2xx answer must have arrived whole; and a redirect that ends in an
// error is a redirect Qt could not or would not follow.
bool transportFailed(QNetworkReply::NetworkError error, const std::optional<int>& status) {
    if (error == QNetworkReply::NoError)
        return false;
    return !status || error < 200 || succeeded(*status) || isRedirect(*status);
}

TransportError::Kind transportKind(QNetworkReply::NetworkError error, const std::optional<int>& status) {
    // Qt refuses to follow a redirect to a scheme it does not speak for http.
    if (error == QNetworkReply::ProtocolUnknownError && status && isRedirect(*status))
        return TransportError::Kind::UnsafeRedirect;
    return kindOf(error);
}

// Redirects follow the manager's policy: Qt's own, never less safe than where they started.
QNetworkRequest makeRequest(const QUrl& url, std::chrono::milliseconds limit) {
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(limit.count()));
    return request;
}

// Wires cancellation into a fresh reply.
void watch(QNetworkReply* reply, const std::shared_ptr<Flight>& flight, const CancelToken& token) {
    token.onCancel(reply, [reply, flight] {
        flight->cancelled = true;
        reply->abort();
    });
}

// How long a reply may take to finish after Qt reported an error of its own.
constexpr std::chrono::milliseconds unfinishedGrace{1000};

// Resumes once the reply has finished. Qt 6.4 reports a body it can not decompress (a corrupt
// stream, or one that expands past its safety ratio) as an error on this thread and then neither
// delivers nor finishes the reply while the server goes on sending, so after an error Qt raised
// itself the wait ends at a grace even when the reply never finishes; the body is then not whole
// and is dropped. Every other error Qt reports comes after the body and just before `finished`;
// an error our own abort raises is followed by `finished` at once.
class Ended {
public:
    Ended(QNetworkReply* reply, std::shared_ptr<Flight> flight) : reply_(reply), flight_(std::move(flight)) {}
    bool await_ready() const { return reply_->isFinished(); }
    void await_suspend(std::coroutine_handle<> waiting) {
        struct State {
            bool done = false;
            QMetaObject::Connection finished;
            QMetaObject::Connection failed;
        };
        const auto state = std::make_shared<State>();
        const auto resume = [state, waiting] {
            if (std::exchange(state->done, true))
                return;
            QObject::disconnect(state->finished);
            QObject::disconnect(state->failed);
            waiting.resume();
        };
        state->finished = QObject::connect(reply_, &QNetworkReply::finished, reply_, resume);
        state->failed = QObject::connect(reply_, &QNetworkReply::errorOccurred, reply_,
                                         [reply = reply_, flight = flight_, state, resume] {
                                             if (flight->endedByUs())
                                                 return;
                                             QTimer::singleShot(unfinishedGrace, reply, [flight, state, resume] {
                                                 if (state->done)
                                                     return;
                                                 flight->unfinished = true;
                                                 resume();
                                             });
                                         });
    }
    void await_resume() const {}

private:
    QNetworkReply* reply_;
    std::shared_ptr<Flight> flight_;
};

QString plainFileName(const QString& name) {
    const QString base = QFileInfo(name).fileName();
    if (base.isEmpty() || base == QLatin1String(".") || base == QLatin1String(".."))
        return {};
    return base;
}

QString suggestedName(const QByteArray& contentDisposition, const QUrl& url) {
    const QString disposition = QString::fromLatin1(contentDisposition);
    static const QRegularExpression filename(QStringLiteral(R"re(filename\s*=\s*(?:"([^"]*)"|([^;\s]+)))re"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (const auto match = filename.match(disposition); match.hasMatch()) {
        const QString name = plainFileName(match.captured(1).isEmpty() ? match.captured(2) : match.captured(1));
        if (!name.isEmpty())
            return name;
    }
    return plainFileName(url.fileName());
}

void writeAll(int fd, const QByteArray& bytes, const QString& path) {
    if (!Sys::writeAll(fd, bytes.constData(), size_t(bytes.size())))
        throw FileError(FileError::Op::Write, path, errno);
}

// One request run to its end. Cancellation, our own refusals and the idle limit are thrown here;
// everything else is left for the caller's status rules.
struct Answer {
    std::optional<int> status;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText;
    Net::Response reply; // status and headers
};

QCoro::Task<Answer> perform(QNetworkAccessManager& manager, QNetworkRequest request, QByteArray verb,
                            QByteArray payload, CancelToken token, std::int64_t ceiling, bool keepFailedBodies,
                            std::chrono::milliseconds deadline) {
    token.check();
    auto flight = std::make_shared<Flight>();
    ReplyPtr reply(verb == "GET" && payload.isEmpty() ? manager.get(request)
                                                      : manager.sendCustomRequest(request, verb, payload));
    QNetworkReply* raw = reply.get();
    QByteArray body;
    const auto take = [raw, flight, &body, ceiling, keepFailedBodies] {
        // A reply Qt ended itself (its idle limit) has nothing left to read.
        if (flight->tooLarge || flight->failedCut || !raw->isOpen())
            return;
        const auto status = httpStatus(*raw);
        const bool failed = status && !succeeded(*status);
        if (failed && (!keepFailedBodies || isRedirect(*status))) {
            discardBody(*raw, *flight, *status, ceiling);
            return;
        }
        if (flight->received + raw->bytesAvailable() > ceiling) {
            (failed ? flight->failedCut : flight->tooLarge) = true;
            raw->abort();
            return;
        }
        const QByteArray chunk = raw->readAll();
        flight->received += chunk.size();
        body += chunk;
    };
    watch(raw, flight, token);
    const Connected reading{QObject::connect(raw, &QNetworkReply::readyRead, raw, take)};
    PaceWatch pace([raw] { raw->abort(); }, flight, {deadline, std::nullopt, 0});
    co_await Ended(raw, flight);
    co_await pace.finish();
    if (!flight->endedByUs() && !flight->unfinished)
        take();

    if (flight->cancelled)
        throw Cancelled();
    if (flight->tooLarge)
        throw CheckError(
            QStringLiteral("The server's answer is larger than %1 MB and was not read").arg(ceiling / (1024 * 1024)));
    const auto error = flight->failedCut ? QNetworkReply::NoError : raw->error();
    if (flight->timedOut || error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
        throw TransportError(TransportError::Kind::TimedOut, raw->errorString());

    // A failed answer whose body was cut off, or never ended, keeps its status and loses its body.
    Answer answer;
    answer.status = httpStatus(*raw);
    answer.body = flight->failedCut || flight->unfinished ? QByteArray() : std::move(body);
    answer.error = error;
    answer.errorText = raw->errorString();
    answer.reply.status = answer.status;
    answer.reply.headers = raw->rawHeaderPairs();
    answer.reply.url = raw->url();
    co_return answer;
}

} // namespace

Net::Net(Limits limits) : limits_(limits), manager_(std::make_unique<Session>()) {
    manager_->setCookieJar(new NoCookies(manager_.get()));
    manager_->setCache(nullptr);
    manager_->setStrictTransportSecurityEnabled(false);
    manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    manager_->setTransferTimeout(static_cast<int>(limits_.session.count()));
}

Net::~Net() = default;

Net& Net::shared() {
    QL_ASSERT_MAIN_THREAD();
    auto& net = instance();
    if (!net)
        net.reset(new Net(pendingLimits()));
    return *net;
}

void Net::resetForTest() { resetForTest(Limits{}); }

void Net::resetForTest(Limits limits) {
    QL_ASSERT_MAIN_THREAD();
    pendingLimits() = limits;
    instance().reset();
}

QNetworkAccessManager& Net::manager() { return *manager_; }

QString Net::userAgent() { return QStringLiteral("Quenlark/1.0 (macOS)"); }

QByteArray Net::Response::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QCoro::Task<QByteArray> Net::get(QUrl url, std::optional<QString> accept, CancelToken token, std::int64_t ceiling) {
    Net& net = shared();
    QNetworkRequest request = makeRequest(url, net.limits_.request);
    if (accept)
        request.setRawHeader("Accept", accept->toUtf8());
    Answer answer = co_await perform(net.manager(), std::move(request), "GET", {}, std::move(token), ceiling, false,
                                     deadlineFactor * net.limits_.request);
    if (transportFailed(answer.error, answer.status))
        throw TransportError(transportKind(answer.error, answer.status), answer.errorText);
    if (answer.status && !succeeded(*answer.status)) {
        if (*answer.status == 403 && answer.reply.header("x-ratelimit-remaining") == "0")
            throw CheckError(
                QStringLiteral("GitHub's hourly limit for anonymous requests is used up; try again later"));
        throw CheckError(QStringLiteral("The server answered HTTP %1").arg(*answer.status));
    }
    co_return answer.body;
}

QCoro::Task<Net::Response> Net::send(QNetworkRequest request, QByteArray verb, QByteArray payload, CancelToken token,
                                     std::int64_t ceiling) {
    Net& net = shared();
    const auto idle =
        request.transferTimeout() > 0 ? std::chrono::milliseconds(request.transferTimeout()) : net.limits_.session;
    Answer answer = co_await perform(net.manager(), std::move(request), std::move(verb), std::move(payload),
                                     std::move(token), ceiling, true, deadlineFactor * idle);
    if (transportFailed(answer.error, answer.status))
        throw TransportError(transportKind(answer.error, answer.status), answer.errorText);
    answer.reply.body = std::move(answer.body);
    co_return answer.reply;
}

QCoro::Task<Net::Transfer> Net::download(QUrl url, QString path, Progress progress, CancelToken token) {
    Net& net = shared();
    token.check();
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        throw TransportError(TransportError::Kind::Unsupported);

    const UniqueFd file = Sys::open(QFile::encodeName(path), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (!file)
        throw FileError(FileError::Op::Create, path, errno);
    const int fd = file.get();

    // Followed as the session follows them: never to a less safe scheme, at most as many as Qt.
    const int redirectsAllowed = QNetworkRequest().maximumRedirectsAllowed();
    Transfer transfer;
    for (int redirects = 0;; ++redirects) {
        auto flight = std::make_shared<Flight>();
        HttpStream stream(url, userAgent().toUtf8(), 4 * readChunk, net.limits_.session);
        std::optional<QUrl> next;
        const auto onHead = [&](const HttpStream::Head& head) {
            transfer.status = head.status;
            const QByteArray length = head.header("Content-Length");
            bool ok = false;
            transfer.contentLength = length.toLongLong(&ok);
            if (!ok)
                transfer.contentLength = -1;
            transfer.finalUrl = url;
            transfer.suggestedName = suggestedName(head.header("Content-Disposition"), url);
            if (const QByteArray location = head.header("Location");
                isRedirect(head.status) && head.status != 300 && head.status != 304 && !location.isEmpty())
                next = url.resolved(QUrl(QString::fromUtf8(location)));
            return succeeded(head.status) ? HttpStream::Next::Body : HttpStream::Next::Stop;
        };
        const auto onBody = [&](const QByteArray& bytes) {
            writeAll(fd, bytes, path);
            flight->received += bytes.size();
            if (progress) {
                if (auto sentence = progress(flight->received, transfer.contentLength)) {
                    flight->stopped = std::move(sentence);
                    stream.abort();
                }
            }
        };
        token.onCancel(&stream, [&stream, flight] {
            flight->cancelled = true;
            stream.abort();
        });
        PaceWatch pace([&stream] { stream.abort(); }, flight,
                       {std::nullopt, net.limits_.slowWindow, net.limits_.slowFloor});
        std::exception_ptr failure;
        try {
            co_await stream.run(onHead, onBody, readChunk);
        } catch (...) {
            failure = std::current_exception();
        }
        co_await pace.finish();
        if (flight->cancelled)
            throw Cancelled();
        if (flight->timedOut)
            throw TransportError(TransportError::Kind::TimedOut);
        if (failure)
            std::rethrow_exception(failure);
        if (flight->stopped) {
            transfer.stopped = flight->stopped;
            co_return transfer;
        }
        if (!next)
            co_return transfer;
        const QString from = url.scheme().toLower();
        const QString to = next->scheme().toLower();
        if ((to != QLatin1String("http") && to != QLatin1String("https")) ||
            (from == QLatin1String("https") && to == QLatin1String("http")))
            throw TransportError(TransportError::Kind::UnsafeRedirect);
        if (redirects >= redirectsAllowed)
            throw TransportError(TransportError::Kind::TooManyRedirects);
        url = *next;
    }
}
