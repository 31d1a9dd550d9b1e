#include "LoopbackServer.h"

#include <cctype>
#include <stdexcept>

namespace {
bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

std::string LoopbackServer::Request::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (sameName(key, name))
            return value;
    return {};
}

bool LoopbackServer::Request::hasHeader(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (sameName(key, name))
            return true;
    return false;
}

LoopbackServer::LoopbackServer(int maxRequests, std::chrono::seconds lifetime)
    : maxRequests_(maxRequests), lifetime_(lifetime) {
    server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        Request record{req.method, req.path, req.target, {}, req.body};
        for (const auto& [key, value] : req.headers)
            record.headers.emplace(key, value);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(std::move(record));
        }
        if (++count_ > maxRequests_) {
            res.status = 503;
            res.set_content("request limit reached", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server_.set_keep_alive_max_count(maxRequests);
}

LoopbackServer::~LoopbackServer() { stop(); }

void LoopbackServer::serve(const std::string& path, std::string body, int status,
                           std::string contentType, std::multimap<std::string, std::string> headers) {
    server_.Get(path, [body = std::move(body), status, contentType = std::move(contentType),
                       headers = std::move(headers)](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        for (const auto& [key, value] : headers)
            res.set_header(key, value);
        res.set_content(body, contentType);
    });
}

void LoopbackServer::start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("LoopbackServer: could not bind 127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    watchdog_ = std::thread([this] {
        const auto end = std::chrono::steady_clock::now() + lifetime_;
        while (!stopping_ && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server_.stop();
    });
    // A stop() before the accept loop runs is ignored by the server, and the loop would then
    // never end: return only once it runs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_.is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void LoopbackServer::stop() {
    stopping_ = true;
    server_.stop();
    if (thread_.joinable())
        thread_.join();
    if (watchdog_.joinable())
        watchdog_.join();
}

QUrl LoopbackServer::url(const std::string& pathAndQuery) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QString::fromStdString(pathAndQuery)));
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}
