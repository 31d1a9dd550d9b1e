#include "sources/Net.h"

#include "runtime/Cancelled.h"
#include "runtime/CheckError.h"
#include "runtime/TransportError.h"

#include "Helpers.h"
#include "LoopbackServer.h"
#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <utility>
#include <thread>

using namespace std::chrono_literals;

namespace {

class NetTest : public ::testing::Test {
protected:
    void SetUp() override { Net::resetForTest(); }
    void TearDown() override { Net::resetForTest(); }

    QByteArray get(const std::string& path, std::optional<QString> accept = std::nullopt) {
        return runSync(Net::get(server.url(path), accept));
    }
    QString failure(const std::string& path) {
        return failureOf([&] { get(path); });
    }

    LoopbackServer server;
};

// Qt's own warnings while it lives: a reply aborted after Qt finished it warns of a second
// error, a closed one read again warns that it is not open.
class QtWarnings {
public:
    QtWarnings() { previous_ = qInstallMessageHandler(record); }
    ~QtWarnings() { qInstallMessageHandler(previous_); }
    static QStringList take() { return std::exchange(seen(), {}); }

private:
    static QStringList& seen() {
        static QStringList messages;
        return messages;
    }
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type >= QtWarningMsg && QLatin1String(context.category) == QLatin1String("default"))
            seen().append(text);
    }
    QtMessageHandler previous_ = nullptr;
};

TransportError::Kind transportKind(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const TransportError& error) {
        return error.kind;
    } catch (...) {}
    return TransportError::Kind::Other;
}

} // namespace

TEST_F(NetTest, SendsOurUserAgentAndAcceptOnlyWhenAsked) {
    server.serve("/feed", "body");
    server.start();
    EXPECT_EQ(get("/feed"), QByteArray("body"));
    EXPECT_EQ(get("/feed", QStringLiteral("application/vnd.github+json")), QByteArray("body"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests)
        EXPECT_EQ(request.header("User-Agent"), "Quenlark/1.0 (macOS)");
    EXPECT_FALSE(requests[0].hasHeader("Accept"));
    EXPECT_EQ(requests[1].header("Accept"), "application/vnd.github+json");
}

// The network thread may start reading as soon as the request is made, so no reply of the
// session may exist without its read bound, whoever makes it.
TEST_F(NetTest, EveryReplyIsBoundedFromTheMomentItIsMade) {
    server.serve("/feed", "body");
    server.start();
    std::unique_ptr<QNetworkReply> reply(Net::shared().manager().get(QNetworkRequest(server.url("/feed"))));
    EXPECT_EQ(reply->readBufferSize(), 4 * Net::readChunk);
    reply->abort();
}

TEST_F(NetTest, StatusRules) {
    struct Case {
        int status;
        std::multimap<std::string, std::string> headers;
        const char* expected; // nullptr: the body comes back
    };
    const Case cases[] = {
        {200, {}, nullptr},
        {204, {}, nullptr},
        {299, {}, nullptr},
        {199, {}, "The server answered HTTP 199"},
        {300, {}, "The server answered HTTP 300"},
        {304, {}, "The server answered HTTP 304"},
        {404, {}, "The server answered HTTP 404"},
        {500, {}, "The server answered HTTP 500"},
        {403, {}, "The server answered HTTP 403"},
        {403, {{"x-ratelimit-remaining", "1"}}, "The server answered HTTP 403"},
        {403, {{"x-ratelimit-remaining", "00"}}, "The server answered HTTP 403"},
        {403,
         {{"X-RateLimit-Remaining", "0"}},
         "GitHub's hourly limit for anonymous requests is used up; try again later"},
        {429, {{"x-ratelimit-remaining", "0"}}, "The server answered HTTP 429"},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string path = "/s" + std::to_string(index++);
        server.serve(path, c.status == 204 ? "" : "payload", c.status, "text/plain", c.headers);
    }
    server.start();
    const QtWarnings warnings;
    index = 0;
    for (const Case& c : cases) {
        const std::string path = "/s" + std::to_string(index++);
        SCOPED_TRACE(c.status);
        if (c.expected)
            EXPECT_EQ(failure(path), QString::fromUtf8(c.expected));
        else
            EXPECT_EQ(get(path), c.status == 204 ? QByteArray() : QByteArray("payload"));
    }
    EXPECT_EQ(QtWarnings::take(), QStringList());
}

TEST_F(NetTest, NonHttpAnswersGiveTheirBody) {
    const QUrl data(QStringLiteral("data:text/plain;base64,aGVsbG8="));
    EXPECT_EQ(runSync(Net::get(data)), QByteArray("hello"));
}

// Chains of redirects, compressed or not, as update servers and their CDNs send them.
TEST_F(NetTest, FollowsRedirectChainsToTheFinalAnswer) {
    const std::string xml(20000, 'x');
    server.http().Get(R"(/hop/(\d+)/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const int left = std::stoi(req.matches[1]);
        const std::string kind = req.matches[2];
        res.set_redirect(left > 1 ? "/hop/" + std::to_string(left - 1) + "/" + kind : "/final/" + kind);
    });
    server.http().Get(R"(/final/(\d+))", [xml](const httplib::Request& req, httplib::Response& res) {
        // 1: compressed as the client allows (an XML type is compressible); 0: a plain body.
        res.set_content(xml, req.matches[1] == "1" ? "application/xml" : "application/octet-stream");
    });
    auto compressed = std::make_shared<std::atomic<int>>(0);
    server.http().set_post_routing_handler([compressed](const httplib::Request&, httplib::Response& res) {
        if (res.has_header("Content-Encoding"))
            ++*compressed;
    });
    server.start();
    for (const int hops : {1, 2, 5, 30}) {
        for (const int compress : {0, 1}) {
            SCOPED_TRACE(testing::Message() << hops << " hops, compressed " << compress);
            const std::string path = "/hop/" + std::to_string(hops) + "/" + std::to_string(compress);
            EXPECT_EQ(get(path), QByteArray::fromStdString(xml));
            const auto answer = runSync(Net::send(QNetworkRequest(server.url(path))));
            EXPECT_EQ(answer.status, 200);
            EXPECT_EQ(answer.body, QByteArray::fromStdString(xml));
            EXPECT_EQ(answer.url, server.url("/final/" + std::to_string(compress)));
        }
    }
    EXPECT_GT(compressed->load(), 0);
}

TEST_F(NetTest, RefusesLoopsAndLessSafeRedirectsWithTheirOwnSentence) {
    LoopbackServer::trustTls();
    LoopbackServer secure(500, std::chrono::seconds(120), LoopbackServer::Scheme::Https);
    server.http().Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
    server.http().Get("/to-file",
                      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/passwd"); });
    server.http().Get("/to-ftp",
                      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("ftp://127.0.0.1/x"); });
    auto secret = std::make_shared<std::string>(); // its port is known once it starts
    server.http().Get("/to-https",
                      [secret](const httplib::Request&, httplib::Response& res) { res.set_redirect(*secret); });
    server.serve("/plain", "plain");
    secure.serve("/secret", "secret");
    secure.http().Get("/down", [this](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(server.url("/plain").toString().toStdString());
    });
    server.start();
    secure.start();
    *secret = secure.url("/secret").toString().toStdString();

    const QString unsafe = QStringLiteral("The server redirected to an address that is not secure.");
    struct Case {
        QUrl url;
        QString sentence; // empty: followed
    };
    const Case cases[] = {
        {server.url("/loop"), QStringLiteral("There were too many redirects.")},
        {server.url("/to-file"), unsafe},
        {server.url("/to-ftp"), unsafe},
        {secure.url("/down"), unsafe},
        {server.url("/to-https"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toString().toStdString());
        if (c.sentence.isEmpty()) {
            EXPECT_EQ(runSync(Net::get(c.url)), QByteArray("secret"));
            continue;
        }
        EXPECT_EQ(failureOf([&] { runSync(Net::get(c.url)); }), c.sentence);
        EXPECT_EQ(failureOf([&] { runSync(Net::send(QNetworkRequest(c.url))); }), c.sentence);
    }
    // The plain body behind the downgrade was never asked for.
    for (const auto& request : server.requests())
        EXPECT_NE(request.path, "/plain");
}

TEST_F(NetTest, ATransportFailureAfterARedirectIsReportedAsSuch) {
    LoopbackServer gone;
    gone.start();
    const QUrl closed = gone.url("/");
    gone.stop();
    // By value: the fixture's server outlives the body, and Qt may repeat a request late.
    server.http().Get("/moved", [closed = closed.toString().toStdString()](
                                    const httplib::Request&, httplib::Response& res) { res.set_redirect(closed); });
    server.start();
    EXPECT_EQ(transportKind([&] { get("/moved"); }), TransportError::Kind::ConnectionRefused);
    EXPECT_EQ(transportKind([&] { runSync(Net::send(QNetworkRequest(server.url("/moved")))); }),
              TransportError::Kind::ConnectionRefused);
}

TEST_F(NetTest, IdleLimitGivesATimeOut) {
    Net::resetForTest({150ms, 150ms});
    server.http().Get("/slow", [](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(1200ms);
        res.set_content("late", "text/plain");
    });
    server.start();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(transportKind([&] { get("/slow"); }), TransportError::Kind::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms);
}

// A server that keeps sending a little, forever.
void drip(httplib::Server& http, const std::string& path, int status, std::chrono::milliseconds every, size_t bytes) {
    http.Get(path, [=](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_chunked_content_provider("text/plain", [=](size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(every);
            const std::string chunk(bytes, 'd');
            return sink.write(chunk.data(), chunk.size());
        });
    });
}

TEST_F(NetTest, ARequestThatKeepsTricklingEndsAtItsDeadline) {
    Net::resetForTest({1000ms, 1000ms});
    server.http().Get("/drip", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(1000, "text/plain", [](size_t, size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(200ms);
            return sink.write("d", 1);
        });
    });
    server.start();
    for (const bool viaSend : {false, true}) {
        SCOPED_TRACE(viaSend);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(failureOf([&] {
                      if (viaSend)
                          runSync(Net::send(QNetworkRequest(server.url("/drip"))));
                      else
                          get("/drip");
                  }),
                  QStringLiteral("The request timed out."));
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, 2900ms);
        EXPECT_LT(took, 5000ms);
    }
}

TEST_F(NetTest, EndlessAnswersEnd) {
    // Qt reads a flood on its own thread for a while before it hands anything over, longer on a
    // busy machine: only our own cut, never the idle limit, may end these.
    Net::resetForTest({60s, 60s});
    drip(server.http(), "/missing", 404, 0ms, 64 * 1024);
    server.start();
    const QtWarnings warnings;
    // Nobody reads the body of a failed answer: its status is what is said.
    EXPECT_EQ(failureOf([&] { runSync(Net::get(server.url("/missing"))); }),
              QStringLiteral("The server answered HTTP 404"));
    // `send` keeps failed bodies, up to the ceiling.
    const auto answer = runSync(Net::send(QNetworkRequest(server.url("/missing")), "GET", {}, {}, 1024 * 1024));
    EXPECT_EQ(answer.status, 404);
    EXPECT_TRUE(answer.body.isEmpty());
    EXPECT_EQ(QtWarnings::take(), QStringList());

    // Headers that never end: Qt stops reading them, the idle limit ends the request.
    Net::resetForTest({2000ms, 2000ms});
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::atomic<bool> done{false};
    std::thread headers([listener, &done] {
        const int client = ::accept(listener, nullptr, nullptr);
        const std::string start = "HTTP/1.1 200 OK\r\n";
        ::send(client, start.data(), start.size(), MSG_NOSIGNAL);
        const std::string line = "X-Padding: " + std::string(1000, 'p') + "\r\n";
        while (!done && ::send(client, line.data(), line.size(), MSG_NOSIGNAL) > 0)
            std::this_thread::sleep_for(1ms);
        ::close(client);
    });
    const QUrl endless(QStringLiteral("http://127.0.0.1:%1/").arg(ntohs(address.sin_port)));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(transportKind([&] { runSync(Net::get(endless)); }), TransportError::Kind::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s)
        << "ends at its idle limit, with room for a busy machine";
    done = true;
    headers.join();
    ::close(listener);
}

TEST_F(NetTest, CancellingAbortsTheRequest) {
    server.http().Get("/slow", [](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(800ms);
        res.set_content("late", "text/plain");
    });
    server.start();

    CancelToken token;
    QTimer::singleShot(50ms, [token] { token.cancel(); });
    EXPECT_TRUE(throwsA<Cancelled>([&] { runSync(Net::get(server.url("/slow"), {}, token)); }));

    // A token cancelled beforehand sends nothing at all.
    const int before = server.requestCount();
    EXPECT_TRUE(throwsA<Cancelled>([&] { runSync(Net::get(server.url("/slow"), {}, token)); }));
    EXPECT_EQ(server.requestCount(), before);
}

TEST_F(NetTest, RefusesBodiesBeyondTheCeiling) {
    server.serve("/big", std::string(4096, 'x'));
    server.start();
    EXPECT_EQ(runSync(Net::get(server.url("/big"), {}, {}, 4096)).size(), 4096);
    EXPECT_EQ(failureOf([&] { runSync(Net::get(server.url("/big"), {}, {}, 4095)); }),
              QStringLiteral("The server's answer is larger than 0 MB and was not read"));
}

TEST_F(NetTest, TransportFailuresKeepTheirKind) {
    // A 200 whose body breaks off is a failure, not a short body.
    server.http().Get("/cut", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(1000, "text/plain", [](size_t, size_t, httplib::DataSink& sink) {
            sink.write("abc", 3);
            return false;
        });
    });
    server.start();
    EXPECT_TRUE(throwsA<TransportError>([&] { get("/cut"); }));
    EXPECT_TRUE(throwsA<TransportError>([&] { runSync(Net::send(QNetworkRequest(server.url("/cut")))); }));
    const QUrl closed = server.url("/");
    server.stop();
    EXPECT_EQ(transportKind([&] { runSync(Net::get(closed)); }), TransportError::Kind::ConnectionRefused);
    // The sentence never carries the address.
    EXPECT_FALSE(failureOf([&] { runSync(Net::get(closed)); }).contains(QStringLiteral("127.0.0.1")));
}

TEST_F(NetTest, KeepsNoCookies) {
    server.http().Get("/set", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "session=secret; Path=/");
        res.set_content("ok", "text/plain");
    });
    server.serve("/next", "ok");
    server.start();
    get("/set");
    get("/next");
    EXPECT_FALSE(server.requests().back().hasHeader("Cookie"));
}

TEST_F(NetTest, SendGivesEveryAnswerWithItsBody) {
    server.http().Post("/accounts", [](const httplib::Request& req, httplib::Response& res) {
        res.status = 400;
        res.set_header("X-Trace", "t1");
        res.set_content(R"({"error":{"message":"EMAIL_EXISTS"},"echo":)" + req.body + "}", "application/json");
    });
    server.http().Patch(
        "/doc", [](const httplib::Request&, httplib::Response& res) { res.set_content("patched", "text/plain"); });
    server.start();

    QNetworkRequest post(server.url("/accounts"));
    post.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const auto refused = runSync(Net::send(post, "POST", R"({"a":1})"));
    EXPECT_EQ(refused.status, 400);
    EXPECT_EQ(refused.body, QByteArray(R"({"error":{"message":"EMAIL_EXISTS"},"echo":{"a":1}})"));
    EXPECT_EQ(refused.header("x-trace"), QByteArray("t1"));

    const auto patched = runSync(Net::send(QNetworkRequest(server.url("/doc")), "PATCH", "x"));
    EXPECT_EQ(patched.status, 200);
    EXPECT_EQ(patched.body, QByteArray("patched"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
    EXPECT_EQ(requests[0].header("User-Agent"), "Quenlark/1.0 (macOS)");
    EXPECT_EQ(requests[1].method, "PATCH");
}

// Streaming downloads.

class DownloadTest : public NetTest {
protected:
    QString path() const { return dir.filePath(QStringLiteral("file")); }
    QByteArray written() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
};

TEST_F(DownloadTest, StreamsTheBodyToTheFileWithProgress) {
    const std::string body(3 * Net::readChunk + 17, 'q');
    server.http().Get("/app.zip", [body](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Disposition", "attachment; filename=\"../Real App.zip\"");
        res.set_content(body, "application/zip");
    });
    server.start();

    std::vector<std::pair<std::int64_t, std::int64_t>> seen;
    const auto transfer =
        runSync(Net::download(server.url("/app.zip"), path(), [&](std::int64_t received, std::int64_t total) {
            seen.emplace_back(received, total);
            return std::optional<QString>();
        }));
    EXPECT_EQ(transfer.status, 200);
    EXPECT_EQ(transfer.contentLength, std::int64_t(body.size()));
    EXPECT_EQ(transfer.suggestedName, QStringLiteral("Real App.zip"));
    EXPECT_FALSE(transfer.stopped);
    EXPECT_EQ(written(), QByteArray::fromStdString(body));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), std::make_pair(std::int64_t(body.size()), std::int64_t(body.size())));
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_LT(seen[i - 1].first, seen[i].first);
}

TEST_F(DownloadTest, AProgressSentenceStopsTheTransfer) {
    server.serve("/app.zip", std::string(8 * Net::readChunk, 'q'));
    server.start();
    int calls = 0;
    const auto transfer = runSync(
        Net::download(server.url("/app.zip"), path(), [&](std::int64_t, std::int64_t) -> std::optional<QString> {
            ++calls;
            return QStringLiteral("Stopped.");
        }));
    EXPECT_EQ(transfer.stopped, QStringLiteral("Stopped."));
    EXPECT_EQ(calls, 1);
    EXPECT_LE(written().size(), Net::readChunk);
}

TEST_F(DownloadTest, FailedStatusIsReportedAndItsBodyNotWritten) {
    server.serve("/missing.zip", "not here", 404, "text/plain");
    server.start();
    const auto transfer = runSync(Net::download(server.url("/missing.zip"), path()));
    EXPECT_EQ(transfer.status, 404);
    EXPECT_EQ(written(), QByteArray());
}

TEST_F(DownloadTest, AnEndlessFailedAnswerEndsAtTheCeiling) {
    drip(server.http(), "/missing.zip", 500, 0ms, 64 * 1024);
    server.start();
    const auto transfer = runSync(Net::download(server.url("/missing.zip"), path()));
    EXPECT_EQ(transfer.status, 500);
    EXPECT_EQ(written(), QByteArray());
}

// The slow-retrieval defence: a download averaging below the floor over a whole window is cut
// off; one that keeps above it runs as long as it needs.
TEST_F(DownloadTest, ACrawlingDownloadIsCutOff) {
    Net::Limits limits;
    limits.slowWindow = 1000ms;
    limits.slowFloor = 1024;
    Net::resetForTest(limits);
    drip(server.http(), "/crawl.zip", 200, 100ms, 50);
    server.http().Get("/steady.zip", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(40 * 1024, "application/zip", [](size_t offset, size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(100ms);
            const std::string chunk(std::min<size_t>(2048, 40 * 1024 - offset), 's');
            return sink.write(chunk.data(), chunk.size());
        });
    });
    server.start();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] { runSync(Net::download(server.url("/crawl.zip"), path())); }),
              QStringLiteral("The request timed out."));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4000ms);

    const auto transfer = runSync(Net::download(server.url("/steady.zip"), path()));
    EXPECT_EQ(transfer.status, 200);
    EXPECT_EQ(written().size(), 40 * 1024);
}

// Through an http proxy a plain http address goes as the proxy's own GET of the whole address,
// for a download as for every other request: proxies may allow tunnels (CONNECT) to 443 only.
TEST_F(DownloadTest, APlainAddressGoesThroughAnHttpProxyAsItsOwnGet) {
    server.http().Get(
        ".*", [](const httplib::Request&, httplib::Response& res) { res.set_content("proxied", "application/zip"); });
    server.start();
    qputenv("http_proxy", server.url().toString().toUtf8());
    struct Unset {
        ~Unset() { qunsetenv("http_proxy"); }
    } unset;
    const QUrl address("http://downloads.example.invalid/app.zip?v=2");
    EXPECT_EQ(runSync(Net::get(address)), "proxied");
    EXPECT_EQ(runSync(Net::download(address, path())).status, 200);
    EXPECT_EQ(written(), "proxied");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.target, "http://downloads.example.invalid/app.zip?v=2");
        EXPECT_EQ(request.header("Host"), "downloads.example.invalid");
    }
}

TEST_F(DownloadTest, FollowsRedirectsToTheFile) {
    server.http().Get(R"(/d/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const int left = std::stoi(req.matches[1]);
        res.set_redirect(left > 1 ? "/d/" + std::to_string(left - 1) : "/file.zip");
    });
    server.serve("/file.zip", std::string(100000, 'z'));
    server.start();
    const auto transfer = runSync(Net::download(server.url("/d/5"), path()));
    EXPECT_EQ(transfer.status, 200);
    EXPECT_EQ(transfer.finalUrl, server.url("/file.zip"));
    EXPECT_EQ(written(), QByteArray(100000, 'z'));
}

// While the file is not being written (the disk or this thread is held up) the transfer reads no
// further than its bound, behind a redirect as well: the server gets no further ahead than that
// and what the kernel buffers.
TEST_F(DownloadTest, ReadsNoFurtherAheadThanItsBound) {
    static constexpr size_t size = 96 * 1024 * 1024;
    static constexpr size_t piece = 64 * 1024;
    auto sent = std::make_shared<std::atomic<size_t>>(0);
    server.http().Get("/latest", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/big.zip"); });
    server.http().Get("/big.zip", [sent](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(size, "application/zip", [sent](size_t offset, size_t, httplib::DataSink& sink) {
            const std::string chunk(std::min(piece, size - offset), 'b');
            const bool ok = sink.write(chunk.data(), chunk.size());
            *sent += chunk.size();
            return ok;
        });
    });
    server.start();
    size_t ahead = 0;
    const auto transfer =
        runSync(Net::download(server.url("/latest"), path(), [&](std::int64_t received, std::int64_t) {
            if (ahead == 0) {
                std::this_thread::sleep_for(700ms);
                ahead = *sent - size_t(received);
            }
            return std::optional<QString>();
        }));
    EXPECT_EQ(transfer.status, 200);
    EXPECT_EQ(written().size(), qsizetype(size));
    EXPECT_LT(ahead, 24u * 1024 * 1024);
}

// A server that answers one connection with these bytes, whatever it was asked, and closes it.
class CannedServer {
public:
    explicit CannedServer(std::string answer) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, answer = std::move(answer)] {
            const int client = ::accept(listener_, nullptr, nullptr);
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, size_t(n));
            }
            ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            ::close(client);
        });
    }
    ~CannedServer() {
        thread_.join();
        ::close(listener_);
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/file.zip").arg(port_)); }

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// How the download's own reader takes an answer apart: bodies by length, in chunks or up to the
// close; what breaks the message or the rules is a transport failure of its kind.
TEST_F(DownloadTest, ReadsEveryFormOfAnswer) {
    struct Case {
        const char* what;
        std::string answer;
        std::optional<QByteArray> body;                          // written, when the transfer succeeds
        TransportError::Kind kind = TransportError::Kind::Other; // else the failure
    };
    const Case cases[] = {
        {"chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6;x=y\r\n world\r\n0\r\nX: 1\r\n\r\n",
         QByteArray("hello world")},
        {"up to the close, behind an informational answer",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n\r\nuntil close",
         QByteArray("until close")},
        {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nshort", std::nullopt,
         TransportError::Kind::ConnectionLost},
        {"no HTTP", "SSH-2.0-OpenSSH\r\n\r\n", std::nullopt, TransportError::Kind::Other},
        {"a bad length", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", std::nullopt, TransportError::Kind::Other},
        {"a bad chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", std::nullopt,
         TransportError::Kind::Other},
        {"a redirect off the web", "HTTP/1.1 302 Found\r\nLocation: ftp://example.com/x.zip\r\n\r\n", std::nullopt,
         TransportError::Kind::UnsafeRedirect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CannedServer canned(c.answer);
        if (c.body) {
            const auto transfer = runSync(Net::download(canned.url(), path()));
            EXPECT_EQ(transfer.status, 200);
            EXPECT_EQ(written(), *c.body);
        } else {
            EXPECT_EQ(transportKind([&] { runSync(Net::download(canned.url(), path())); }), c.kind);
        }
    }
}

TEST_F(DownloadTest, OnlyWebAddressesAreFetched) {
    QFile secret(dir.filePath(QStringLiteral("secret")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("secret");
    secret.close();
    EXPECT_EQ(transportKind([&] { runSync(Net::download(QUrl::fromLocalFile(secret.fileName()), path())); }),
              TransportError::Kind::Unsupported);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(DownloadTest, CancellingThrowsCancelled) {
    server.http().Get("/slow.zip", [](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(800ms);
        res.set_content("late", "application/zip");
    });
    server.start();
    CancelToken token;
    QTimer::singleShot(50ms, [token] { token.cancel(); });
    EXPECT_TRUE(throwsA<Cancelled>([&] { runSync(Net::download(server.url("/slow.zip"), path(), {}, token)); }));
}
