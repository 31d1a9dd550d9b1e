#include "library/Cloud.h"

#include "runtime/CheckError.h"
#include "runtime/TransportError.h"
#include "sources/Net.h"

#include "FakeClock.h"
#include "LoopbackServer.h"
#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

// The client against a local server that answers what the emulators never do.
namespace {

class CloudTest : public testing::Test {
protected:
    void TearDown() override {
        Net::resetForTest();
        Cloud::setBoundsForTest({});
    }

    Cloud cloud() {
        Session session;
        session.uid = u"u1"_s;
        session.idToken = u"token-1"_s;
        const QString host = u"http://127.0.0.1:"_s + QString::number(server.port()) + u"/"_s;
        return Cloud{CloudConfig{u"k"_s, u"demo-p"_s, {}, {}, host, true}, session};
    }

    // The sentence a failing operation throws, or what else it threw.
    template <typename T>
    static std::string failure(QCoro::Task<T> task) {
        try {
            runSync(std::move(task));
        } catch (const CheckError& error) {
            return error.description().toStdString();
        } catch (const TransportError&) {
            return "transport";
        }
        return "none";
    }

    // Answers commits with {} and keeps their bodies (the server's record has none).
    void acceptCommits(std::function<bool()> refuse = {}) {
        server.http().Post(R"(/v1/projects/demo-p/databases/\(default\)/documents:commit)",
                           [this, refuse](const httplib::Request& req, httplib::Response& res) {
                               commits.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object());
                               if (refuse && refuse()) {
                                   res.status = 401;
                                   res.set_content(R"({"error": {"message": "Unauthenticated."}})", "application/json");
                                   return;
                               }
                               res.set_content("{}", "application/json");
                           });
    }

    FakeClock clock;
    LoopbackServer server;
    std::vector<QJsonObject> commits;
};

} // namespace

// Every refused or broken answer gives its sentence or the transport's own failure.
TEST_F(CloudTest, BrokenAnswers) {
    Net::resetForTest({300ms, 300ms});
    auto answer = [this](const std::string& path, int status, std::string text, std::string type) {
        server.http().Get(path, [=](const httplib::Request&, httplib::Response& res) {
            res.status = status;
            res.set_content(text, type);
        });
    };
    answer(R"(/v1/projects/demo-p/databases/\(default\)/documents)"
           "/users/html/apps",
           500, "<html><body>oops</body></html>", "text/html");
    answer(R"(/v1/projects/demo-p/databases/\(default\)/documents)"
           "/users/text/apps",
           200, "not json", "text/plain");
    answer(R"(/v1/projects/demo-p/databases/\(default\)/documents)"
           "/users/deep/apps",
           200, R"({"documents": )" + std::string(2000, '[') + std::string(2000, ']') + "}", "application/json");
    answer(
        R"(/v1/projects/demo-p/databases/\(default\)/documents)"
        "/users/denied/apps",
        403,
        R"({"error": {"code": 403, "message": "\nfalse for 'list' @ L4\n  at users/x", "status": "PERMISSION_DENIED"}})",
        "application/json");
    answer(R"(/v1/projects/demo-p/databases/\(default\)/documents)"
           "/users/expired/apps",
           401, R"({"error": {"message": "Request had invalid authentication credentials."}})", "application/json");
    server.http().Get(R"(/v1/projects/demo-p/databases/\(default\)/documents)"
                      "/users/slow/apps",
                      [](const httplib::Request&, httplib::Response& res) {
                          std::this_thread::sleep_for(1500ms);
                          res.set_content("{}", "application/json");
                      });
    server.http().Get(R"(/v1/projects/demo-p/databases/\(default\)/documents)"
                      "/users/cut/apps",
                      [](const httplib::Request&, httplib::Response& res) {
                          res.set_content_provider(1000, "application/json",
                                                   [](size_t, size_t, httplib::DataSink& sink) {
                                                       sink.write("{\"doc", 5);
                                                       return false;
                                                   });
                      });
    server.start();

    const struct {
        QString uid;
        std::string outcome;
    } cases[] = {
        {u"html"_s, "Library sync failed: HTTP 500"},
        {u"text"_s, "Library sync failed: the server's answer isn't a document Quenlark can read."},
        {u"deep"_s, "Library sync failed: the server's answer isn't a document Quenlark can read."},
        {u"denied"_s, "Your library isn't accessible with this account (false for 'list' @ L4 at users/x)"},
        {u"expired"_s, "Library sync failed: Request had invalid authentication credentials."},
        {u"slow"_s, "transport"},
        {u"cut"_s, "transport"},
    };
    for (const auto& c : cases) {
        Cloud client = cloud();
        client.session.uid = c.uid;
        EXPECT_EQ(failure(client.apps()), c.outcome) << c.uid.toStdString();
    }
    const auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().header("Authorization"), "Bearer token-1");
    EXPECT_EQ(requests.front().target,
              "/v1/projects/demo-p/databases/(default)/documents/users/html/apps?pageSize=300");
}

// Pages follow their tokens, fully encoded, and end on an empty or a repeated token, or at the
// first bound with what was read and the sentence; a listed document outside the collection asked
// for is dropped and counts for nothing.
TEST_F(CloudTest, ListingsFollowTheirPagesToTheEndOrTheFirstBound) {
    std::string kind;
    std::vector<std::string> tokens;
    server.http().Get(
        R"(/v1/projects/demo-p/databases/\(default\)/documents/users/u1/(apps|devices))",
        [&](const httplib::Request& req, httplib::Response& res) {
            tokens.push_back(req.get_param_value("pageToken"));
            const std::string page = std::to_string(tokens.size());
            const std::string doc = R"({"name": "projects/demo-p/databases/(default)/documents/users/u1/)" +
                                    req.matches[1].str() + "/" + page + R"(", "fields": {}})";
            std::string docs =
                kind == "empty"
                    ? ""
                    : doc +
                          R"(, {"name": "projects/demo-p/databases/(default)/documents/users/u2/apps/x", "fields": {}})";
            for (int i = 1; kind == "many" && i < Cloud::pageSize; ++i)
                docs += "," + doc;
            const std::string next = kind == "ends"      ? (page == "1" ? "a+/=" : "")
                                     : kind == "repeats" ? "r"
                                                         : "t" + page;
            res.set_content(R"({"documents": [)" + docs + R"(], "x": ")" +
                                std::string(kind == "large" ? 16384 : 0, 'x') + R"(", "nextPageToken": ")" + next +
                                R"("})",
                            "application/json");
        });
    server.start();
    Cloud::setBoundsForTest({700, 64 * 1024, 5});
    const QString cut = u"The library server sent more than any library holds, so Quenlark stopped reading "
                        u"and shows only what it read first."_s;
    const struct {
        std::string kind;
        bool devices; // else the apps
        qsizetype records;
        std::vector<std::string> tokens; // asked with
        std::optional<QString> cutShort;
    } rows[] = {
        {"ends", false, 2, {"", "a+/="}, std::nullopt},
        {"repeats", true, 2, {"", "r"}, std::nullopt},
        {"many", false, 700, {"", "t1", "t2"}, cut},
        {"large", false, 4, {"", "t1", "t2", "t3"}, cut},
        {"empty", false, 0, {"", "t1", "t2", "t3", "t4"}, cut},
    };
    const auto read = [](const auto& listed) { return std::pair(listed.records.size(), listed.cutShort); };
    for (const auto& row : rows) {
        kind = row.kind;
        tokens.clear();
        EXPECT_EQ(row.devices ? read(runSync(cloud().devices())) : read(runSync(cloud().apps())),
                  std::pair(row.records, row.cutShort))
            << kind;
        EXPECT_EQ(tokens, row.tokens) << kind;
    }
    EXPECT_EQ(server.requests()[1].target,
              "/v1/projects/demo-p/databases/(default)/documents/users/u1/apps?pageSize=300&pageToken=a%2B%2F%3D");
}

// Deletion finds every document below the user's and deletes only names on the user's own path.
TEST_F(CloudTest, DeletionDeletesOnlyTheUsersOwnTree) {
    server.http().Post(
        R"(/v1/projects/demo-p/databases/\(default\)/documents/users/u1:runQuery)",
        [](const httplib::Request&, httplib::Response& res) {
            std::string results;
            for (const char* name : {"u1/apps/a", "u1/apps/a/history/h1", "u2/apps/b", "u1/apps", "u1/apps/../../u2/x"})
                results += (results.empty() ? "" : ",") + std::string(R"({"document": {"name": ")") +
                           "projects/demo-p/databases/(default)/documents/users/" + name + R"("}})";
            res.set_content("[" + results + "]", "application/json");
        });
    acceptCommits();
    server.start();
    runSync(cloud().deleteLibrary());
    ASSERT_EQ(commits.size(), 1u);
    QStringList deleted;
    for (const QJsonValue& write : commits[0].value(u"writes"_s).toArray())
        deleted.append(write.toObject().value(u"delete"_s).toString().section(u'/', 6));
    EXPECT_EQ(deleted, (QStringList{u"u1/apps/a"_s, u"u1/apps/a/history/h1"_s, u"u1"_s}));
}

// 401 writes go out as 400 and 1; a refused chunk stops the rest; no writes send nothing.
TEST_F(CloudTest, CommitsInChunksOf400) {
    int refuseFrom = 1000;
    acceptCommits([&] { return server.requestCount() >= refuseFrom; });
    server.start();
    QList<QJsonObject> writes;
    for (int i = 0; i < 401; ++i)
        writes.append(
            cloud().write(u"users/u1/apps/a"_s + QString::number(i), {{u"name"_s, Cloud::Value::string(u"A"_s)}}));

    runSync(cloud().commit({}));
    EXPECT_EQ(server.requestCount(), 0);
    runSync(cloud().commit(writes));
    ASSERT_EQ(commits.size(), 2u);
    EXPECT_EQ(commits[0].value(u"writes"_s).toArray().size(), 400);
    EXPECT_EQ(commits[1].value(u"writes"_s).toArray().size(), 1);
    EXPECT_EQ(server.requests()[0].header("Content-Type"), "application/json");

    refuseFrom = 3; // the third request overall: the next commit's first chunk
    EXPECT_EQ(failure(cloud().commit(writes)), "Library sync failed: Unauthenticated.");
    EXPECT_EQ(server.requestCount(), 3);

    // Identifiers that can't be document ids send nothing.
    runSync(cloud().remove({u""_s, u"a/b"_s, u".."_s}));
    EXPECT_EQ(server.requestCount(), 3);
}

// Only a missing user document gets "createdAt"; a refused read leaves it alone.
TEST_F(CloudTest, ProfileWritesCreationTimeOnlyWhenKnownMissing) {
    int readStatus = 404;
    std::string readBody = "{}";
    server.http().Get(R"(/v1/projects/demo-p/databases/\(default\)/documents)"
                      "/users/u1",
                      [&](const httplib::Request&, httplib::Response& res) {
                          res.status = readStatus;
                          res.set_content(readBody, "application/json");
                      });
    acceptCommits();
    server.start();

    const struct {
        int status;
        std::string body;
        std::optional<QString> name;
        QStringList mask;
    } cases[] = {
        {404,
         R"({"error": {"message": "not found"}})",
         u"Ada"_s,
         {u"createdAt"_s, u"email"_s, u"lastSignIn"_s, u"name"_s}},
        {200,
         R"({"name": "x", "fields": {"email": {"stringValue": "a"}}})",
         std::nullopt,
         {u"createdAt"_s, u"email"_s, u"lastSignIn"_s}},
        {200,
         R"({"name": "x", "fields": {"createdAt": {"timestampValue": "2020-01-01T00:00:00Z"}}})",
         std::nullopt,
         {u"email"_s, u"lastSignIn"_s}},
        {401, R"({"error": {"message": "expired"}})", std::nullopt, {u"email"_s, u"lastSignIn"_s}},
        {403, R"({"error": {"message": "denied"}})", std::nullopt, {u"email"_s, u"lastSignIn"_s}},
        {500, "<html></html>", std::nullopt, {u"email"_s, u"lastSignIn"_s}},
    };
    for (const auto& c : cases) {
        readStatus = c.status;
        readBody = c.body;
        runSync(cloud().saveProfile(c.name, u"ada@example.com"_s));
        const QJsonObject write = commits.back().value(u"writes"_s).toArray().at(0).toObject();
        QStringList mask;
        for (const QJsonValue& path : write.value(u"updateMask"_s).toObject().value(u"fieldPaths"_s).toArray())
            mask.append(path.toString());
        mask.sort();
        EXPECT_EQ(mask, c.mask) << c.status;
        EXPECT_EQ(write.value(u"update"_s).toObject().value(u"name"_s).toString(),
                  u"projects/demo-p/databases/(default)/documents/users/u1"_s);
    }
}
