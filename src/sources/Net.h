#pragma once

#include "runtime/CancelToken.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QCoro/QCoroTask>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

// The one HTTP client of the application. Nothing is persisted (no cookies, no cache, no
// credentials); every request carries our User-Agent. Redirects are followed by Qt's own policy,
// never to a less safe scheme. A transfer that moves no bytes for its idle limit is aborted and
// reported as a time-out; so is a request that takes longer than three times its idle limit, and
// a download that crawls (below the floor rate on average over a whole window). Qt itself
// bounds the answer's header (see `send`).
class Net {
public:
    struct Limits {
        std::chrono::milliseconds session{20000};    // every request of the session
        std::chrono::milliseconds request{60000};    // requests that ask for the longer limit
        std::chrono::milliseconds slowWindow{60000}; // downloads: the window their rate is judged over
        std::int64_t slowFloor = 1024;               // ... and the least bytes per second it must average
    };

    // A request that is not a download must be done within this many idle limits.
    static constexpr int deadlineFactor = 3;

    // What a streamed download delivered.
    struct Transfer {
        std::optional<int> status;       // the HTTP status; nothing for a non-HTTP answer
        std::int64_t contentLength = -1; // as the server stated it, else -1
        QString suggestedName;           // a plain file name from the answer, or ""
        QUrl finalUrl;                   // after redirects
        std::optional<QString> stopped;  // the sentence the progress callback stopped it with
    };

    // A whole answer of `send`, whatever its status.
    struct Response {
        std::optional<int> status; // nothing for a non-HTTP answer
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        QUrl url; // after redirects

        // The first header of that name (names compare without regard to case), or empty.
        QByteArray header(const QByteArray& name) const;
    };

    // Called after every chunk written: bytes received and bytes expected (-1 unknown). A
    // sentence stops the transfer; it must not throw.
    using Progress = std::function<std::optional<QString>(std::int64_t received, std::int64_t total)>;

    static constexpr std::int64_t defaultBodyCeiling = 64LL * 1024 * 1024;
    static constexpr int readChunk = 256 * 1024;

    // Made on first use, on the GUI thread.
    static Net& shared();
    // Drops the shared client; the next use makes a fresh one with `limits`.
    static void resetForTest();
    static void resetForTest(Limits limits);

    QNetworkAccessManager& manager();
    const Limits& limits() const { return limits_; }

    static QString userAgent();

    // GET with the status rules of update discovery: a 2xx body; a 403 whose
    // "x-ratelimit-remaining" is exactly "0" gives the GitHub sentence; any other status gives
    // "The server answered HTTP N". A non-HTTP answer (file, data) gives its body. Transport
    // failures throw TransportError, cancellation throws Cancelled. A body beyond `ceiling`
    // bytes is refused. Uses the longer per-request limit.
    static QCoro::Task<QByteArray> get(QUrl url, std::optional<QString> accept = std::nullopt, CancelToken token = {},
                                       std::int64_t ceiling = defaultBodyCeiling);

    // Sends `request` with `verb` and `payload` under the session's rules (idle limit and
    // deadline, safe redirects, User-Agent, cancellation, body ceiling) and gives the answer
    // whatever its status, body included (a failed answer's body past the ceiling is dropped);
    // only a transfer that failed throws (TransportError, Cancelled). Qt 6.4 parses at most 100
    // header fields, each up to about 100 KiB and about 256 KiB in all; past that it stalls the
    // reply, which the idle limit then ends.
    static QCoro::Task<Response> send(QNetworkRequest request, QByteArray verb = "GET", QByteArray payload = {},
                                      CancelToken token = {}, std::int64_t ceiling = defaultBodyCeiling);

    // Streams the answer for `url` into the file at `path` (created or truncated) over a socket
    // of its own whose read buffer is bounded before the first byte (HttpStream), following
    // redirects by the session's rule. Only http and https are fetched. The body of a non-2xx
    // answer is neither read nor written. The idle limit is the session's.
    static QCoro::Task<Transfer> download(QUrl url, QString path, Progress progress = {}, CancelToken token = {});

    ~Net();

private:
    explicit Net(Limits limits);

    Limits limits_;
    std::unique_ptr<QNetworkAccessManager> manager_;
};
