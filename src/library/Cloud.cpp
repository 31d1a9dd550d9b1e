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

bool succeeded(const std::optional<int>& status) { return !status || (*status >= 200 && *status <= 299); }

QString cutShort() {
    return u"The library server sent more than any library holds, so Quenlark stopped reading and shows only "
           u"what it read first."_s;
}

// The id of a listed document when its name is that of a document right in the collection
// whose full name is `collection`, else nothing.
std::optional<QString> childID(const QJsonObject& document, const QString& collection) {
    const QString name = document.value(u"name"_s).toString();
    if (!name.startsWith(collection) || name.size() <= collection.size() || name[collection.size()] != u'/')
        return std::nullopt;
    const QString id = name.mid(collection.size() + 1);
    if (!Cloud::validDocumentID(id))
        return std::nullopt;
    return id;
}

// Whether `name` names a document below the one whose full name followed by "/" is `below`:
// collection and document ids in turn, each a valid id.
bool ownDescendant(const QString& name, const QString& below) {
    if (!name.startsWith(below))
        return false;
    const QStringList segments = name.mid(below.size()).split(u'/');
    return segments.size() % 2 == 0 && std::all_of(segments.cbegin(), segments.cend(), &Cloud::validDocumentID);
}

} // namespace

namespace {
Cloud::Bounds& currentBounds() {
    static Cloud::Bounds bounds;
    return bounds;
}
} // namespace

const Cloud::Bounds& Cloud::bounds() { return currentBounds(); }

void Cloud::setBoundsForTest(Bounds bounds) { currentBounds() = bounds; }

QString Cloud::documentsRoot() const {
    return config.firestoreHost + u"v1/projects/"_s + config.projectId + u"/databases/(default)/documents"_s;
}

QString Cloud::resourceName(const QString& path) const {
    return u"projects/"_s + config.projectId + u"/databases/(default)/documents/"_s + path;
}

QString Cloud::address(const QString& path) const {
    QString url = documentsRoot();
    for (const QString& segment : path.split(u'/'))
        url += u'/' + QString::fromLatin1(QUrl::toPercentEncoding(segment));
    return url;
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
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(response.body, &error);
    const bool read = error.error == QJsonParseError::NoError && (document.isObject() || document.isArray());
    // A refusal's body only lends its message; an answer taken for success must be the document
    // asked for. A portal's page, or one nested past what the reader takes, is no empty library.
    if (response.status && succeeded(response.status) && !read)
        throw CheckError(u"Library sync failed: the server's answer isn't a document Quenlark can read."_s);
    co_return Answer{response.status, document.object(), document.array(), response.body.size()};
}

void Cloud::refuseStatus(const Answer& answer) {
    if (succeeded(answer.status))
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

QCoro::Task<Listing<QJsonObject>> Cloud::list(QString collection) const {
    Budget budget(bounds());
    QList<QJsonObject> documents = co_await list(std::move(collection), &budget);
    co_return Listing<QJsonObject>{std::move(documents), budget.spent ? std::optional(cutShort()) : std::nullopt};
}

QCoro::Task<void> Cloud::paged(Budget* budget, Page ask, Take take) const {
    std::optional<QString> token;
    QSet<QString> seen; // a token that comes back would start the same pages over
    while (!budget->spent) {
        if (budget->pages-- <= 0) {
            budget->spent = true;
            break;
        }
        const Answer answer = co_await ask(token);
        refuseStatus(answer);
        // What was read is kept, the page that passes a bound included; nothing after it is asked.
        budget->bytes -= answer.size;
        const std::optional<QString> next = take(answer);
        if (budget->bytes < 0 || budget->documents < 0) {
            budget->spent = true;
            break;
        }
        if (!next || next->isEmpty() || seen.contains(*next))
            break;
        token = next;
        seen.insert(*token);
    }
}

QCoro::Task<QList<QJsonObject>> Cloud::list(QString collection, Budget* budget) const {
    const QString parent = resourceName(collection);
    const QString url = address(collection) + u"?pageSize="_s + QString::number(pageSize);
    QList<QJsonObject> documents;
    auto ask = [this, url](const std::optional<QString>& token) {
        return send(QByteArrayLiteral("GET"),
                    token ? url + u"&pageToken="_s + QString::fromLatin1(QUrl::toPercentEncoding(*token)) : url,
                    std::nullopt);
    };
    auto take = [&documents, &parent, budget](const Answer& answer) -> std::optional<QString> {
        for (const QJsonValue& document : answer.object.value(u"documents"_s).toArray()) {
            if (!document.isObject() || !childID(document.toObject(), parent))
                continue;
            if (budget->documents-- <= 0)
                return std::nullopt;
            documents.append(document.toObject());
        }
        const QJsonValue next = answer.object.value(u"nextPageToken"_s);
        return next.isString() ? std::optional(next.toString()) : std::nullopt;
    };
    co_await paged(budget, ask, take);
    co_return documents;
}

QCoro::Task<QStringList> Cloud::descendants(QString path, Budget* budget) const {
    // A query of every kind of document below `path`, by name only, a page at a time from the
    // last name read. The service lists a document's collections to administrators alone.
    const QString below = resourceName(path) + u'/';
    QStringList names;
    QSet<QString> named;
    auto ask = [this, path](const std::optional<QString>& last) {
        QJsonObject query{
            {u"from"_s, QJsonArray{QJsonObject{{u"allDescendants"_s, true}}}},
            {u"select"_s, QJsonObject{{u"fields"_s, QJsonArray{QJsonObject{{u"fieldPath"_s, u"__name__"_s}}}}}},
            {u"orderBy"_s, QJsonArray{QJsonObject{{u"field"_s, QJsonObject{{u"fieldPath"_s, u"__name__"_s}}},
                                                  {u"direction"_s, u"ASCENDING"_s}}}},
            {u"limit"_s, pageSize},
        };
        if (last)
            query.insert(u"startAt"_s, QJsonObject{{u"values"_s, QJsonArray{QJsonObject{{u"referenceValue"_s, *last}}}},
                                                   {u"before"_s, false}});
        const QJsonObject body{{u"structuredQuery"_s, query}};
        return send(QByteArrayLiteral("POST"), address(path) + u":runQuery"_s,
                    QJsonDocument(body).toJson(QJsonDocument::Compact));
    };
    auto take = [&names, &named, &below, budget](const Answer& answer) -> std::optional<QString> {
        int read = 0;
        std::optional<QString> last;
        for (const QJsonValue& result : answer.array) {
            const QString name = result.toObject().value(u"document"_s).toObject().value(u"name"_s).toString();
            if (name.isEmpty())
                continue;
            ++read;
            last = name;
            if (!ownDescendant(name, below) || named.contains(name))
                continue;
            if (budget->documents-- <= 0)
                return std::nullopt;
            names.append(name);
            named.insert(name);
        }
        return read < pageSize ? std::nullopt : last;
    };
    co_await paged(budget, ask, take);
    co_return names;
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
    const QString url =
        config.firestoreHost + u"v1/projects/"_s + config.projectId + u"/databases/(default)/documents:commit"_s;
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
Listing<Record> parsedAll(const Listing<QJsonObject>& documents, Parse parse) {
    Listing<Record> records{{}, documents.cutShort};
    for (const QJsonObject& document : documents.records)
        if (std::optional<Record> record = parse(document))
            records.records.append(std::move(*record));
    return records;
}

} // namespace

QCoro::Task<Listing<LibraryApp>> Cloud::apps() const {
    const Listing<QJsonObject> documents = co_await list(u"users/"_s + session.uid + u"/apps"_s);
    co_return parsedAll<LibraryApp>(documents, &Cloud::app);
}

QCoro::Task<Listing<Device>> Cloud::devices() const {
    const Listing<QJsonObject> documents = co_await list(u"users/"_s + session.uid + u"/devices"_s);
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
    // Once the identity account is gone nobody but the project's administrator reaches what is
    // left: every document below the user's goes, whatever its collection and depth, and only
    // names below the user's own path are deleted.
    const QString user = u"users/"_s + session.uid;
    Budget budget(bounds());
    const QStringList names = co_await descendants(user, &budget);
    if (budget.spent)
        throw CheckError(u"The library server sent more than any library holds, so Quenlark stopped reading it and "
                         u"deleted nothing."_s);
    QList<QJsonObject> writes;
    for (const QString& name : names)
        writes.append(QJsonObject{{u"delete"_s, name}});
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
