#pragma once

#include <httplib.h>

#include <QUrl>

#include <atomic>
#include <cstdint>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An HTTP server on 127.0.0.1 at a free port, for tests. It stops by itself after a bounded
// number of requests or a bounded time, and records every request it served. With TLS it serves
// https under a certificate for 127.0.0.1 that `trustTls()` makes the process's TLS trust.
class LoopbackServer {
public:
    struct Request {
        std::string method;
        std::string path;   // without the query
        std::string target; // path and query as sent
        std::multimap<std::string, std::string> headers;
        std::string body;

        std::string header(const std::string& name) const;
        bool hasHeader(const std::string& name) const;
    };

    enum class Scheme { Http, Https };

    explicit LoopbackServer(int maxRequests = 500, std::chrono::seconds lifetime = std::chrono::seconds(120),
                            Scheme scheme = Scheme::Http);
    ~LoopbackServer();

    httplib::Server& http() { return *server_; }

    // Adds the certificate https servers use to the default TLS configuration's authorities.
    static void trustTls();

    // Serves `body` with `status` and `contentType` for GET `path`.
    void serve(const std::string& path, std::string body, int status = 200,
               std::string contentType = "application/octet-stream",
               std::multimap<std::string, std::string> headers = {});

    // Keeps a record of at most `count` requests (all by default); later ones are only counted.
    // Call before start().
    void keepRecords(size_t count) { keptRecords_ = count; }

    // Starts listening; call after installing handlers.
    void start();
    void stop();

    int port() const { return port_; }
    QUrl url(const std::string& pathAndQuery = "/") const;
    std::vector<Request> requests() const;
    int requestCount() const { return count_.load(); }

private:
    Scheme scheme_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::thread watchdog_;
    int port_ = 0;
    int maxRequests_;
    std::chrono::seconds lifetime_;
    std::atomic<int> count_{0};
    std::atomic<bool> stopping_{false};
    size_t keptRecords_ = SIZE_MAX;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
};
