#pragma once

#include "LoopbackServer.h"

#include "store/CloudConfig.h"

#include <QJsonObject>

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// The identity and token services on loopback, answering each call with what the test set, so
// that every error, malformed answer and stall can be produced.
class FakeIdentity {
public:
    struct Reply {
        int status = 200;
        std::string body = "{}";
        std::string contentType = "application/json";
        std::chrono::milliseconds delay{0}; // before anything is sent
    };

    FakeIdentity();

    // The answer to an accounts call ("signUp", ...) or to "token" (the renewal).
    void answer(const std::string& method, Reply reply);
    void answerJson(const std::string& method, const QJsonObject& object, int status = 200);
    // The account lookup's answer for one user whose address is or is not confirmed.
    void answerLookup(bool verified);
    // An error object as the service writes it, with `message` as its message.
    void fail(const std::string& method, const std::string& message, int status = 400);

    // A call as it arrived, body included.
    struct Call {
        std::string target;
        std::string contentType;
        std::string body;
    };
    std::vector<Call> calls();

    CloudConfig config() const;
    LoopbackServer& server() { return server_; }

private:
    LoopbackServer server_;
    std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<Call> calls_;
};
