#include "store/CloudConfig.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& contents) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    return path;
}

} // namespace

// One row per file: whether it gives a configuration, and the fields it gives.
TEST(CloudConfig, FilesGiveAConfigurationOnlyWhenEveryRuleHolds) {
    CloudConfig plain;
    plain.apiKey = u"AIza-key_1"_s;
    plain.projectId = u"quenlark-prod"_s;
    plain.authHost = u"https://"_s;
    plain.firestoreHost = u"https://firestore.googleapis.com/"_s;
    CloudConfig google = plain;
    google.googleClientID = u"123-abc.apps.googleusercontent.com"_s;
    CloudConfig emptyProject = plain;
    emptyProject.projectId.clear();
    CloudConfig emulated =
        CloudConfig::emulator(u"AIza-key_1"_s, u"demo-q"_s, u"127.0.0.1:9099"_s, u"127.0.0.1:8080"_s);
    CloudConfig authOnly = plain;
    authOnly.projectId = u"demo-q"_s;
    authOnly.authHost = u"http://localhost:9099/"_s;
    authOnly.emulated = true;
    CloudConfig ipv6 = authOnly;
    ipv6.authHost = u"http://[::1]:9099/"_s;

    struct Row {
        QByteArray file;
        std::optional<CloudConfig> config;
    };
    const QList<Row> rows = {
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod"})", plain},
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod","googleClientID":"123-abc.apps.googleusercontent.com","extra":"x"})",
         google},
        {R"({"apiKey":"AIza-key_1","projectId":""})", emptyProject},
        {R"({"apiKey":"","projectId":"p"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1"})", std::nullopt},
        {R"({"projectId":"p"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"p","port":9099})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"p","googleClientID":null})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"p","more":{}})", std::nullopt},
        {R"(["apiKey","projectId"])", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":)", std::nullopt},
        // The key is joined into URLs unencoded: anything that would need encoding is refused.
        {R"({"apiKey":"AIza key","projectId":"p"})", std::nullopt},
        {R"({"apiKey":"AIza&evil=1","projectId":"p"})", std::nullopt},
        {R"({"apiKey":"AIza/../x","projectId":"p"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1\n","projectId":"quenlark-prod"})", std::nullopt},
        // So is the project id: only its documented form.
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod\n"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"Quenlark_Prod"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark/../x"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"127.0.0.1:9099","firestoreEmulatorHost":"127.0.0.1:8080"})",
         emulated},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"localhost:9099"})", authOnly},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"http://127.0.0.1:9099"})", std::nullopt},
        // The emulators speak plain http: only this computer may hear the password and tokens.
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"auth.example.com:80"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"10.0.0.7:9099"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"0.0.0.0:9099"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"127.0.0.1.nip.io:9099"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"localhost:99999"})", std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"127.0.0.1:9099","firestoreEmulatorHost":"db.example.com:8080"})",
         std::nullopt},
        {R"({"apiKey":"AIza-key_1","projectId":"demo-q","authEmulatorHost":"[::1]:9099"})", ipv6},
        // The client id's reversed form becomes a scheme we handle: only Google's own form is
        // taken, anything else leaves Google sign-in off.
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod","googleClientID":"https"})", plain},
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod","googleClientID":"file"})", plain},
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod","googleClientID":"com.example"})", plain},
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod","googleClientID":"123-abc.apps.googleusercontent.com.evil"})",
         plain},
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod","googleClientID":"123-ABC.apps.googleusercontent.com"})",
         plain},
        {R"({"apiKey":"AIza-key_1","projectId":"quenlark-prod","googleClientID":"123-a%b.apps.googleusercontent.com"})",
         plain},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CloudConfig::parse(row.file), row.config) << row.file.toStdString();
}

TEST(CloudConfig, TheOptionWinsOverTheBundleEvenWhenItsFileIsMissing) {
    QTemporaryDir dir;
    const QString bundle = writeFile(dir, u"firebase.json"_s, R"({"apiKey":"bundle","projectId":"bundle-p"})");
    const QString option = writeFile(dir, u"mine.json"_s, R"({"apiKey":"option","projectId":"option-p"})");

    EXPECT_EQ(CloudConfig::load(option, bundle)->apiKey, u"option"_s);
    EXPECT_EQ(CloudConfig::load(std::nullopt, bundle)->apiKey, u"bundle"_s);
    EXPECT_EQ(CloudConfig::load(dir.filePath(u"missing.json"_s), bundle), std::nullopt);
    EXPECT_EQ(CloudConfig::load(std::nullopt, std::nullopt), std::nullopt);
    EXPECT_EQ(CloudConfig::load(std::nullopt, dir.filePath(u"missing.json"_s)), std::nullopt);
    // A file past the bound is not read whole, and is no configuration.
    const QByteArray padding(CloudConfig::maxFileSize, ' ');
    EXPECT_EQ(
        CloudConfig::load(writeFile(dir, u"big.json"_s, R"({"apiKey":"big","projectId":"big-project"})" + padding),
                          std::nullopt),
        std::nullopt);
}

TEST(CloudConfig, BuildsTheServiceAddressesByJoiningText) {
    const auto config = CloudConfig::parse(R"({"apiKey":"K-1","projectId":"quenlark-prod"})");
    ASSERT_TRUE(config);
    EXPECT_EQ(config->identity(u"lookup"_s).toString(),
              u"https://identitytoolkit.googleapis.com/v1/accounts:lookup?key=K-1"_s);
    EXPECT_EQ(config->tokenURL().toString(), u"https://securetoken.googleapis.com/v1/token?key=K-1"_s);

    const CloudConfig local = CloudConfig::emulator(u"K-1"_s, u"demo-p"_s, u"127.0.0.1:9099"_s);
    EXPECT_EQ(local.identity(u"signUp"_s).toString(),
              u"http://127.0.0.1:9099/identitytoolkit.googleapis.com/v1/accounts:signUp?key=K-1"_s);
    EXPECT_EQ(local.tokenURL().toString(), u"http://127.0.0.1:9099/securetoken.googleapis.com/v1/token?key=K-1"_s);
}
