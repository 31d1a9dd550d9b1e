#include "library/Cloud.h"

#include "runtime/CheckError.h"
#include "runtime/Clock.h"
#include "sources/Net.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSet>

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

QCoro::Task<Cloud::Answer> Cloud::send(QByteArray method, QString url, std::optional<QJsonObject> body) const {
    QNetworkRequest request(QUrl::fromEncoded(url.toUtf8()));
    request.setTransferTimeout(static_cast<int>(Net::shared().limits().request.count()));
    request.setRawHeader("Authorization", "Bearer " + session.idToken.toUtf8());
    QByteArray payload;
    if (body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
        payload = QJsonDocument(*body).toJson(QJsonDocument::Compact);
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
    const Answer answer = co_await send(std::move(method), std::move(url), std::move(body));
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

QJsonObject Cloud::write(const QString& path, const Fields& fields) const {
    QJsonObject encoded;
    QJsonArray mask;
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        put(field.value().json(), field.key().split(u'.', Qt::SkipEmptyParts), encoded);
        mask.append(field.key());
    }
    return {
        {u"update"_s, QJsonObject{{u"name"_s, resourceName(path)}, {u"fields"_s, encoded}}},
        {u"updateMask"_s, QJsonObject{{u"fieldPaths"_s, mask}}},
    };
}

QCoro::Task<void> Cloud::commit(QList<QJsonObject> writes) const {
    const QString url = config.firestoreHost + u"v1/projects/"_s + config.projectId + u"/databases/(default)/documents:commit"_s;
    for (qsizetype start = 0; start < writes.size(); start += writesPerCommit) {
        QJsonArray chunk;
        for (const QJsonObject& write : writes.mid(start, writesPerCommit))
            chunk.append(write);
        QJsonObject body;
        body.insert(u"writes"_s, chunk);
        co_await request(QByteArrayLiteral("POST"), url, std::move(body));
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
    QList<QJsonObject> writes{write(path, fields)};
    co_await commit(std::move(writes));
}
