#include "library/Cloud.h"

#include <QJsonArray>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

// The inner "fields" object of {"mapValue": {"fields": {…}}}, else nothing.
std::optional<QJsonObject> mapFields(const QJsonValue& value) {
    const QJsonValue map = value.toObject().value(u"mapValue"_s);
    if (!map.isObject())
        return std::nullopt;
    const QJsonValue fields = map.toObject().value(u"fields"_s);
    if (!fields.isObject())
        return std::nullopt;
    return fields.toObject();
}

// The document id: the last "/"-separated component of the document's name.
std::optional<QString> documentID(const QJsonObject& document) {
    const QJsonValue name = document.value(u"name"_s);
    if (!name.isString())
        return std::nullopt;
    const QString text = name.toString();
    return text.mid(text.lastIndexOf(u'/') + 1);
}

std::optional<QString> webAddress(std::optional<QString> text) {
    if (!text)
        return std::nullopt;
    const QUrl url(*text);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http"_s && scheme != u"https"_s) || url.host().isEmpty())
        return std::nullopt;
    return text;
}

// owner/name with the characters GitHub allows in account and repository names.
std::optional<QString> repository(std::optional<QString> text) {
    static const QRegularExpression form(u"^[A-Za-z0-9](?:[A-Za-z0-9-]{0,38})/[A-Za-z0-9._-]{1,100}\\z"_s);
    if (!text || !form.match(*text).hasMatch() || text->endsWith(u"/."_s) || text->endsWith(u"/.."_s))
        return std::nullopt;
    return text;
}

} // namespace

std::optional<QString> Cloud::kept(QStringView key, std::optional<QString> text) {
    if (key == u"feedURL")
        return webAddress(std::move(text));
    if (key == u"githubRepo")
        return repository(std::move(text));
    return text;
}

std::optional<QString> Cloud::string(const QJsonValue& value) {
    const QJsonValue text = value.toObject().value(u"stringValue"_s);
    if (!text.isString())
        return std::nullopt;
    return text.toString();
}

std::optional<QDateTime> Cloud::date(const QJsonValue& value) {
    // An internet date-time, with or without 1 to 9 fractional digits.
    static const QRegularExpression form(
        u"^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d{1,9}))?(Z|[+-]\\d{2}:\\d{2})\\z"_s);
    const QJsonValue text = value.toObject().value(u"timestampValue"_s);
    if (!text.isString())
        return std::nullopt;
    const QRegularExpressionMatch m = form.match(text.toString());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate day(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QString digits = m.captured(7);
    const int ms = digits.isEmpty() ? 0 : QString(digits + u"00"_s).left(3).toInt();
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms);
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    int offset = 0;
    if (const QString zone = m.captured(8); zone != u"Z"_s) {
        const int hours = zone.mid(1, 2).toInt(), minutes = zone.mid(4, 2).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 60 + minutes) * 60 * (zone.startsWith(u'-') ? -1 : 1);
    }
    return QDateTime(day, time, Qt::UTC).addSecs(-offset);
}

std::optional<LibraryApp> Cloud::app(const QJsonObject& document) {
    const std::optional<QString> id = documentID(document);
    const QJsonValue fieldsValue = document.value(u"fields"_s);
    if (!id || !fieldsValue.isObject())
        return std::nullopt;
    const QJsonObject fields = fieldsValue.toObject();
    LibraryApp app;
    app.id = *id;
    if (const auto entries = mapFields(fields.value(u"devices"_s))) {
        for (auto entry = entries->begin(); entry != entries->end(); ++entry) {
            const auto members = mapFields(entry.value());
            if (!members)
                continue;
            const QJsonValue installed = members->value(u"installed"_s).toObject().value(u"booleanValue"_s);
            app.devices.insert(entry.key(), LibraryApp::OnDevice{
                                                string(members->value(u"version"_s)).value_or(QString()),
                                                installed.isBool() && installed.toBool(),
                                                date(members->value(u"seen"_s)).value_or(LibraryApp::distantPast()),
                                            });
        }
    }
    app.name = string(fields.value(u"name"_s)).value_or(*id);
    app.team = string(fields.value(u"team"_s));
    app.source = string(fields.value(u"source"_s));
    app.caskToken = string(fields.value(u"caskToken"_s));
    app.feedURL = kept(u"feedURL", string(fields.value(u"feedURL"_s)));
    app.edKey = string(fields.value(u"edKey"_s));
    app.githubRepo = kept(u"githubRepo", string(fields.value(u"githubRepo"_s)));
    app.storeURL = string(fields.value(u"storeURL"_s));
    app.homepage = string(fields.value(u"homepage"_s));
    return app;
}

std::optional<Device> Cloud::device(const QJsonObject& document) {
    const std::optional<QString> id = documentID(document);
    const QJsonValue fieldsValue = document.value(u"fields"_s);
    if (!id || !fieldsValue.isObject())
        return std::nullopt;
    const QJsonObject fields = fieldsValue.toObject();
    return Device{
        *id,
        string(fields.value(u"name"_s)).value_or(u"Mac"_s),
        string(fields.value(u"model"_s)).value_or(QString()),
        date(fields.value(u"lastSeen"_s)).value_or(LibraryApp::distantPast()),
        string(fields.value(u"hardware"_s)),
    };
}

bool Cloud::validDocumentID(const QString& id) {
    if (id.isEmpty() || id.contains(u'/') || id == u"."_s || id == u".."_s)
        return false;
    if (id.startsWith(u"__"_s) && id.endsWith(u"__"_s))
        return false;
    return id.toUtf8().size() <= 1500;
}

bool Cloud::same(const LibraryApp& stored, const Fields& fields) {
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        const QString* text = field.value().text();
        if (!text)
            return false;
        const QString& key = field.key();
        if (key == u"name"_s) {
            if (*text != stored.name)
                return false;
            continue;
        }
        const std::optional<QString>* value = key == u"team"_s         ? &stored.team
                                              : key == u"source"_s     ? &stored.source
                                              : key == u"caskToken"_s  ? &stored.caskToken
                                              : key == u"feedURL"_s    ? &stored.feedURL
                                              : key == u"edKey"_s      ? &stored.edKey
                                              : key == u"githubRepo"_s ? &stored.githubRepo
                                              : key == u"storeURL"_s   ? &stored.storeURL
                                              : key == u"homepage"_s   ? &stored.homepage
                                                                       : nullptr;
        if (!value || !*value || **value != *text)
            return false;
    }
    return true;
}
