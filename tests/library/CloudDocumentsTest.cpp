#include "library/Cloud.h"
#include "library/DeviceID.h"
#include "platform/system/Defaults.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

namespace {

QJsonObject json(const char* text) { return QJsonDocument::fromJson(QByteArray(text)).object(); }
QJsonObject stamp(const QString& text) { return {{u"timestampValue"_s, text}}; }

} // namespace

TEST(CloudDocuments, DatesReadWithZeroToNineFractionalDigitsAndNothingElse) {
    const QDateTime whole(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
    const struct {
        QString text;
        std::optional<QDateTime> read;
    } cases[] = {
        {u"2026-03-04T05:06:07Z"_s, whole},
        {u"2026-03-04T05:06:07.5Z"_s, whole.addMSecs(500)},
        {u"2026-03-04T05:06:07.123456789Z"_s, whole.addMSecs(123)},
        {u"2026-03-04T07:06:07+02:00"_s, whole},
        {u"2026-03-04"_s, std::nullopt},                      // a calendar date only
        {u"2026-03-04T05:06:07.1234567890Z"_s, std::nullopt}, // ten digits
        {u"2026-02-30T05:06:07Z"_s, std::nullopt},
        {u"2026-03-04T05:06:07"_s, std::nullopt}, // no zone
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cloud::date(stamp(c.text)), c.read) << c.text.toStdString();
    EXPECT_EQ(Cloud::date(QJsonObject{{u"stringValue"_s, u"2026-03-04T05:06:07Z"_s}}), std::nullopt);

    // Written to whole seconds in UTC with "Z", so the fraction is lost on the way back.
    const QJsonObject written = Cloud::Value::date(whole.addMSecs(999)).json();
    EXPECT_EQ(written.value(u"timestampValue"_s).toString(), u"2026-03-04T05:06:07Z"_s);
    EXPECT_EQ(Cloud::date(written), whole);
}

TEST(CloudDocuments, DocumentIDRule) {
    const struct {
        QString id;
        bool valid;
    } cases[] = {
        {u""_s, false},
        {u"."_s, false},
        {u".."_s, false},
        {u"com/app"_s, false},
        {u"__app__"_s, false},
        {u"__app"_s, true},
        {u"app__"_s, true},
        {u"com.example.app"_s, true},
        {QString(1500, u'a'), true},
        {QString(1501, u'a'), false},
        {QString(750, QChar(0xe9)), true},
        {QString(750, QChar(0xe9)) + u"a"_s, false}, // UTF-8 bytes count
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cloud::validDocumentID(c.id), c.valid) << c.id.left(20).toStdString() << " of " << c.id.size();
}

// Dotted keys of one write merge into one nested map; the mask keeps them dotted.
TEST(CloudDocuments, DottedKeysMergeIntoOneMap) {
    const Cloud cloud{CloudConfig{u"k"_s, u"demo-p"_s, {}, {}, u"http://db/"_s, true}, Session{}};
    const QDateTime seen(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    const QJsonObject write =
        cloud.write(u"users/u/apps/a"_s, {
                                             {u"devices.mac1.installed"_s, Cloud::Value::boolean(false)},
                                             {u"devices.mac1.seen"_s, Cloud::Value::date(seen)},
                                         });
    EXPECT_EQ(write, json(R"({"update": {"name": "projects/demo-p/databases/(default)/documents/users/u/apps/a",
        "fields": {"devices": {"mapValue": {"fields": {"mac1": {"mapValue": {"fields": {
            "installed": {"booleanValue": false}, "seen": {"timestampValue": "2026-01-02T03:04:05Z"}}}}}}}}},
        "updateMask": {"fieldPaths": ["devices.mac1.installed", "devices.mac1.seen"]}})"));

    // A map written whole nests the same way.
    const QJsonObject whole = cloud.write(
        u"users/u/apps/a"_s, {{u"devices.mac1"_s, Cloud::Value::map({{u"installed"_s, Cloud::Value::boolean(true)}})}});
    EXPECT_EQ(
        whole.value(u"update"_s).toObject().value(u"fields"_s).toObject(),
        json(
            R"({"devices": {"mapValue": {"fields": {"mac1": {"mapValue": {"fields": {"installed": {"booleanValue": true}}}}}}}})"));
}

TEST(CloudDocuments, ApplicationDocumentsFallBackFieldByField) {
    const auto app = Cloud::app(json(R"({"name": "projects/p/databases/(default)/documents/users/u/apps/com.example.a",
        "fields": {"team": {"stringValue": "TEAM123456"}, "source": {"booleanValue": true},
            "feedURL": {"stringValue": "javascript:alert"}, "githubRepo": {"stringValue": "owner/name/../x"},
            "homepage": {"stringValue": "https://example.com"},
            "devices": {"mapValue": {"fields": {
                "m1": {"mapValue": {"fields": {"version": {"stringValue": "2.0"}, "installed": {"booleanValue": true},
                                                "seen": {"timestampValue": "2026-01-02T03:04:05.25Z"}}}},
                "m2": {"mapValue": {"fields": {"installed": {"stringValue": "true"}, "seen": {"timestampValue": "2026-01-02"}}}},
                "m3": {"stringValue": "not a map"}}}}}})"));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->id, u"com.example.a"_s);
    EXPECT_EQ(app->name, u"com.example.a"_s); // no name: the document id
    EXPECT_EQ(app->team, u"TEAM123456"_s);
    EXPECT_EQ(app->source, std::nullopt);     // stored with another type
    EXPECT_EQ(app->feedURL, std::nullopt);    // not a web address
    EXPECT_EQ(app->githubRepo, std::nullopt); // not owner/name
    EXPECT_EQ(app->homepage, u"https://example.com"_s);
    ASSERT_EQ(app->devices.size(), 2);
    EXPECT_EQ(app->devices[u"m1"_s],
              (LibraryApp::OnDevice{u"2.0"_s, true, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 250), Qt::UTC)}));
    EXPECT_EQ(app->devices[u"m2"_s], (LibraryApp::OnDevice{u""_s, false, LibraryApp::distantPast()}));

    const auto trusted = Cloud::app(json(R"({"name": "x/apps/b", "fields": {
        "feedURL": {"stringValue": "https://example.com/appcast.xml"}, "githubRepo": {"stringValue": "some-owner/repo.name_2"}}})"));
    ASSERT_TRUE(trusted);
    EXPECT_EQ(trusted->feedURL, u"https://example.com/appcast.xml"_s);
    EXPECT_EQ(trusted->githubRepo, u"some-owner/repo.name_2"_s);

    EXPECT_FALSE(Cloud::app(json(R"({"fields": {}})")));
    EXPECT_FALSE(Cloud::app(json(R"({"name": "x/apps/c"})")));
}

TEST(CloudDocuments, DeviceDocuments) {
    EXPECT_FALSE(Cloud::device(json(R"({"name": "x/devices/m1"})")));
    EXPECT_EQ(Cloud::device(json(R"({"name": "x/devices/m1", "fields": {}})")),
              (Device{u"m1"_s, u"Mac"_s, u""_s, LibraryApp::distantPast(), std::nullopt}));
    EXPECT_EQ(
        Cloud::device(json(R"({"name": "x/devices/m2", "fields": {"name": {"stringValue": "Studio"},
        "model": {"stringValue": "Mac14,13"}, "lastSeen": {"timestampValue": "2026-01-02T03:04:05Z"},
        "hardware": {"stringValue": "ab"}}})")),
        (Device{u"m2"_s, u"Studio"_s, u"Mac14,13"_s, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC), u"ab"_s}));
}

TEST(CloudDocuments, SameComparesOnlyStoredStringFields) {
    LibraryApp stored;
    stored.name = u"App"_s;
    stored.team = u"T"_s;
    using V = Cloud::Value;
    const struct {
        Cloud::Fields fields;
        bool same;
    } cases[] = {
        {{}, true},
        {{{u"name"_s, V::string(u"App"_s)}, {u"team"_s, V::string(u"T"_s)}}, true},
        {{{u"name"_s, V::string(u"App 2"_s)}}, false},
        {{{u"source"_s, V::string(u"Sparkle"_s)}}, false}, // not stored
        {{{u"team"_s, V::boolean(true)}}, false},
        {{{u"other"_s, V::string(u"T"_s)}}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cloud::same(stored, c.fields), c.same) << c.fields.keys().join(u",").toStdString();
}

// The emulator refuses "test-mac" and "1mac" as field-path segments, so every sync would fail.
TEST(CloudDocuments, DeviceIDsMustBeUnquotedFieldPathSegments) {
    for (const char* good : {"dhere", "d0123456789abcdef0123456789abcdef", "_mac", "Mac_2"})
        EXPECT_TRUE(DeviceID::valid(QString::fromLatin1(good))) << good;
    for (const char* bad : {"", "test-mac", "1mac", "mac.one", "mac one", "mäc", "mac\n"})
        EXPECT_FALSE(DeviceID::valid(QString::fromUtf8(bad))) << bad;
    EXPECT_EQ(Cloud::kept(u"githubRepo", u"owner/name\n"_s), std::nullopt);

    // One stored before the check is replaced at start by a new one, stored in its place.
    Defaults::standard()->set(u"deviceID"_s, u"mac\n"_s);
    const QString id = DeviceID::current();
    EXPECT_TRUE(DeviceID::valid(id)) << id.toStdString();
    EXPECT_EQ(Defaults::standard()->string(u"deviceID"_s), id);
}
