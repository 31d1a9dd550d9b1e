#include "FakeIdentity.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <thread>

FakeIdentity::FakeIdentity() {
    const auto handle = [this](const std::string& method, const httplib::Request& req, httplib::Response& res) {
        Reply reply;
        {
            std::lock_guard lock(mutex_);
            calls_.push_back({req.target, req.get_header_value("Content-Type"), req.body});
            if (auto it = replies_.find(method); it != replies_.end())
                reply = it->second;
        }
        if (reply.delay.count() > 0)
            std::this_thread::sleep_for(reply.delay);
        res.status = reply.status;
        res.set_content(reply.body, reply.contentType);
    };
    server_.http().Post(
        R"(/identitytoolkit\.googleapis\.com/v1/accounts:(\w+))",
        [handle](const httplib::Request& req, httplib::Response& res) { handle(req.matches[1], req, res); });
    server_.http().Post("/securetoken.googleapis.com/v1/token",
                        [handle](const httplib::Request& req, httplib::Response& res) { handle("token", req, res); });
    // One request per connection: a kept-alive one would hold the server's stop for seconds.
    server_.http().set_keep_alive_max_count(1);
    server_.start();
}

void FakeIdentity::answer(const std::string& method, Reply reply) {
    std::lock_guard lock(mutex_);
    replies_[method] = std::move(reply);
}

void FakeIdentity::answerJson(const std::string& method, const QJsonObject& object, int status) {
    answer(method, {status, QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString()});
}

void FakeIdentity::fail(const std::string& method, const std::string& message, int status) {
    const QJsonObject error{{QStringLiteral("code"), status},
                            {QStringLiteral("message"), QString::fromStdString(message)}};
    answerJson(method, QJsonObject{{QStringLiteral("error"), error}}, status);
}

std::vector<FakeIdentity::Call> FakeIdentity::calls() {
    std::lock_guard lock(mutex_);
    return calls_;
}

CloudConfig FakeIdentity::config() const {
    return CloudConfig::emulator(QStringLiteral("test-key"), QStringLiteral("demo-test"),
                                 QStringLiteral("127.0.0.1:%1").arg(server_.port()));
}

void FakeIdentity::answerLookup(bool verified) {
    answerJson("lookup", QJsonObject{{QStringLiteral("users"),
                                      QJsonArray{QJsonObject{{QStringLiteral("emailVerified"), verified}}}}});
}
