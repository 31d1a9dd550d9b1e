#include "library/Cloud.h"

#include "library/JsonText.h"
#include "runtime/CheckError.h"
#include "runtime/Clock.h"
#include "sources/Net.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

// The server's message in one line: the emulator's refusals span several.
QString oneLine(const QString& message) {
    static const QRegularExpression space(u"\\s+"_s);
    return message.simplified().replace(space, u" "_s);
}

} // namespace

QString Cloud::documentsRoot() const {
    return config.firestoreHost + u"v1/projects/"_s + config.projectId + u"/databases/(default)/documents"_s;
}

QString Cloud::resourceName(const QString& path) const {
    return u"projects/"_s + config.projectId + u"/databases/(default)/documents/"_s + path;
}

QCoro::Task<Cloud::Answer> Cloud::send(QByteArray method, QString url, std::optional<QByteArray> body) const {
    QNetworkRequest request(QUrl::fromEncoded(url.toUtf8()));
    request.setTransferTimeout(static_cast<int>(Net::shared().limits().request.count()));
    request.setRawHeader("Authorization", "Bearer " + session.idToken.toUtf8());
    QByteArray payload;
    if (body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
        payload = std::move(*body);
    }
    const Net::Response response = co_await Net::send(std::move(request), method, std::move(payload));
    const QJsonDocument document = QJsonDocument::fromJson(response.body);
    co_return Answer{response.status, document.isObject() ? document.object() : QJsonObject()};
}

void Cloud::refuseStatus(const Answer& answer) {
    if (!answer.status || (*answer.status >= 200 && *answer.status <= 299))
        return;
    const QJsonValue message = answer.object.value(u"error"_s).toObject().value(u"message"_s);
    const QString m = message.isString() && !oneLine(message.toString()).isEmpty()
                          ? oneLine(message.toString())
                          : u"HTTP "_s + QString::number(*answer.status);
    if (*answer.status == 403)
        throw CheckError(u"Your library isn't accessible with this account ("_s + m + u")"_s);
    throw CheckError(u"Library sync failed: "_s + m);
}

QCoro::Task<QJsonObject> Cloud::request(QByteArray method, QString url, std::optional<QJsonObject> body) const {
    std::optional<QByteArray> text;
    if (body)
        text = QJsonDocument(*body).toJson(QJsonDocument::Compact);
    const Answer answer = co_await send(std::move(method), std::move(url), std::move(text));
    refuseStatus(answer);
    co_return answer.object;
}

QCoro::Task<QList<QJsonObject>> Cloud::list(QString collection) const {
    QList<QJsonObject> documents;
    std::optional<QString> token;
    QSet<QString> seen; // a token that comes back would start the same pages over
    for (int page = 0; page < maxPages; ++page) {
        QString url = documentsRoot() + u'/' + collection + u"?pageSize="_s + QString::number(pageSize);
        if (token)
            url += u"&pageToken="_s + QString::fromLatin1(QUrl::toPercentEncoding(*token));
        const QJsonObject answer = co_await request(QByteArrayLiteral("GET"), url);
        for (const QJsonValue& document : answer.value(u"documents"_s).toArray())
            if (document.isObject())
                documents.append(document.toObject());
        const QJsonValue next = answer.value(u"nextPageToken"_s);
        if (!next.isString() || next.toString().isEmpty() || seen.contains(next.toString()))
            break;
        token = next.toString();
        seen.insert(*token);
    }
    co_return documents;
}

namespace {

// One level of a write's "fields" while its dotted keys merge into it, in key order as Qt's JSON
// objects keep theirs.
struct Level {
    struct Entry {
        QStringView key;
        const CloudValue* value = nullptr; // a whole value, else `inner`
        std::unique_ptr<Level> inner;
    };
    std::vector<Entry> entries;

    Entry& at(QStringView key) {
        auto entry = std::lower_bound(entries.begin(), entries.end(), key,
                                      [](const Entry& e, QStringView k) { return e.key < k; });
        if (entry == entries.end() || entry->key != key)
            entry = entries.insert(entry, Entry{key, nullptr, nullptr});
        return *entry;
    }

    // A later key replaces what an earlier one put at its path, and extends a map it passes
    // through: one written whole as a value, or one made of dotted keys.
    void put(const CloudValue& value, std::span<const QStringView> path) {
        Entry& entry = at(path.front());
        if (path.size() == 1) {
            entry.value = &value;
            entry.inner.reset();
            return;
        }
        if (!entry.inner) {
            entry.inner = std::make_unique<Level>();
            if (const CloudValue::Map* members = entry.value ? entry.value->members() : nullptr)
                for (auto member = members->cbegin(); member != members->cend(); ++member)
                    entry.inner->at(member.key()).value = &member.value();
            entry.value = nullptr;
        }
        entry.inner->put(value, path.subspan(1));
    }

    void write(JsonText& out) const {
        for (const Entry& entry : entries) {
            if (&entry != &entries.front())
                out.raw(',');
            out.key(entry.key);
            if (entry.inner) {
                out.raw("{\"mapValue\":{\"fields\":{");
                entry.inner->write(out);
                out.raw("}}}");
            } else {
                entry.value->write(out);
            }
        }
    }
};

} // namespace

QJsonObject Cloud::write(const QString& path, const Fields& fields) const {
    return QJsonDocument::fromJson(writeText(path, fields)).object();
}

QByteArray Cloud::writeText(const QString& path, const Fields& fields) const {
    Level encoded;
    QVarLengthArray<QStringView, 4> segments;
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        segments.clear();
        for (const QStringView segment : QStringView(field.key()).tokenize(u'.', Qt::SkipEmptyParts))
            segments.append(segment);
        if (!segments.isEmpty())
            encoded.put(field.value(), std::span<const QStringView>(segments.constData(), segments.size()));
    }
    JsonText out;
    out.reserve(512);
    out.raw("{\"update\":{\"fields\":{");
    encoded.write(out);
    out.raw("},\"name\":").string(resourceName(path)).raw("},\"updateMask\":{\"fieldPaths\":[");
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        if (field != fields.cbegin())
            out.raw(',');
        out.string(field.key());
    }
    out.raw("]}}");
    return out.take();
}

QCoro::Task<void> Cloud::commit(QList<QJsonObject> writes) const {
    QList<QByteArray> text;
    text.reserve(writes.size());
    for (const QJsonObject& write : writes)
        text.append(QJsonDocument(write).toJson(QJsonDocument::Compact));
    co_await commitText(std::move(text));
}

QCoro::Task<void> Cloud::commitText(QList<QByteArray> writes) const {
    const QString url = config.firestoreHost + u"v1/projects/"_s + config.projectId + u"/databases/(default)/documents:commit"_s;
    for (qsizetype start = 0; start < writes.size(); start += writesPerCommit) {
        const qsizetype end = std::min(writes.size(), start + writesPerCommit);
        qsizetype size = 16;
        for (qsizetype i = start; i < end; ++i)
            size += writes[i].size() + 1;
        QByteArray body;
        body.reserve(size);
        body.append("{\"writes\":[");
        for (qsizetype i = start; i < end; ++i) {
            if (i > start)
                body.append(',');
            body.append(writes[i]);
        }
        body.append("]}");
        refuseStatus(co_await send(QByteArrayLiteral("POST"), url, std::move(body)));
    }
}

namespace {

// The parseable subset of the listed documents, in the listed order.
template <typename Record, typename Parse>
QList<Record> parsedAll(const QList<QJsonObject>& documents, Parse parse) {
    QList<Record> records;
    for (const QJsonObject& document : documents)
        if (std::optional<Record> record = parse(document))
            records.append(std::move(*record));
    return records;
}

} // namespace

QCoro::Task<QList<LibraryApp>> Cloud::apps() const {
    const QList<QJsonObject> documents = co_await list(u"users/"_s + session.uid + u"/apps"_s);
    co_return parsedAll<LibraryApp>(documents, &Cloud::app);
}

QCoro::Task<QList<Device>> Cloud::devices() const {
    const QList<QJsonObject> documents = co_await list(u"users/"_s + session.uid + u"/devices"_s);
    co_return parsedAll<Device>(documents, &Cloud::device);
}

QCoro::Task<void> Cloud::remove(QStringList ids) const {
    QList<QJsonObject> writes;
    for (const QString& id : ids)
        if (validDocumentID(id))
            writes.append(QJsonObject{{u"delete"_s, resourceName(u"users/"_s + session.uid + u"/apps/"_s + id)}});
    co_await commit(std::move(writes));
}

QCoro::Task<void> Cloud::deleteLibrary() const {
    const QString user = u"users/"_s + session.uid;
    const QList<QJsonObject> apps = co_await list(user + u"/apps"_s);
    const QList<QJsonObject> devices = co_await list(user + u"/devices"_s);
    QList<QJsonObject> writes;
    for (const QJsonObject& document : apps + devices)
        if (const QJsonValue name = document.value(u"name"_s); name.isString())
            writes.append(QJsonObject{{u"delete"_s, name.toString()}});
    writes.append(QJsonObject{{u"delete"_s, resourceName(user)}});
    co_await commit(std::move(writes));
}

QCoro::Task<void> Cloud::saveProfile(std::optional<QString> name, QString email) const {
    const QDateTime now = Clock::shared().now();
    Fields fields{{u"email"_s, Value::string(email)}, {u"lastSignIn"_s, Value::date(now)}};
    if (name)
        fields.insert(u"name"_s, Value::string(*name));
    const QString path = u"users/"_s + session.uid;
    // Only a document known to be missing, or read without "createdAt", gets one: a failed read
    // must not overwrite the account's creation time.
    bool lacksCreation = false;
    try {
        const Answer read = co_await send(QByteArrayLiteral("GET"), documentsRoot() + u'/' + path, std::nullopt);
        if (read.status == 404)
            lacksCreation = true;
        else if (!read.status || (*read.status >= 200 && *read.status <= 299))
            lacksCreation = !read.object.value(u"fields"_s).toObject().contains(u"createdAt"_s);
    } catch (...) {
        // Not known to be missing: leave createdAt alone. A lasting failure fails the write too.
        lacksCreation = false;
    }
    if (lacksCreation)
        fields.insert(u"createdAt"_s, Value::date(now));
    QList<QByteArray> writes{writeText(path, fields)};
    co_await commitText(std::move(writes));
}
