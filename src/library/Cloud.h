#pragma once

#include "library/CloudValue.h"
#include "store/CloudConfig.h"
#include "store/Device.h"
#include "store/LibraryApp.h"
#include "store/Listing.h"
#include "store/ScannedApp.h"
#include "store/Session.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The client of the account's library in the document database, over its REST interface, for
// one series of requests: the back end and the session whose ID token authorises them. Built
// afresh for every operation, never kept. Refused requests throw CheckError with the sentence
// the user reads; transport failures pass through unchanged. Requests of one operation are sent
// one after another.
struct Cloud {
    using Value = CloudValue;
    // Dotted field key ("devices.<id>.seen") to value.
    using Fields = QMap<QString, CloudValue>;

    using Scanned = ScannedApp;

    // A listing stops at the first of these, whatever the server says next: far above any real
    // library (thousands of apps), far below what a server that never ends would send.
    struct Bounds {
        qsizetype documents = 20000;
        qint64 bytes = 64LL * 1024 * 1024; // of the answers' bodies
        int pages = 1000;
    };

    CloudConfig config;
    Session session;

    static constexpr int pageSize = 300;
    static constexpr int writesPerCommit = 400;

    // The bounds every listing keeps; tests lower them.
    static const Bounds& bounds();
    static void setBoundsForTest(Bounds bounds);

    // What the listings of one operation may still read.
    struct Budget {
        explicit Budget(const Bounds& bounds) : documents(bounds.documents), bytes(bounds.bytes), pages(bounds.pages) {}
        qsizetype documents;
        qint64 bytes;
        int pages;
        bool spent = false; // a bound stopped a listing
    };

    // ---- Documents ----
    // The text under "stringValue", else nothing.
    static std::optional<QString> string(const QJsonValue& value);
    // The time under "timestampValue" (internet date-time, 0 to 9 fractional digits), else
    // nothing.
    static std::optional<QDateTime> date(const QJsonValue& value);
    // The stored value of a record field as the reader keeps it: a feed that is not http or
    // https, or a repository that is not owner/name, is none.
    static std::optional<QString> kept(QStringView key, std::optional<QString> text);
    // A listed application document as a record; nothing without a string "name" or an object
    // "fields". A feed that is not http or https, or a repository that is not owner/name, reads
    // as absent: the record comes from the network.
    static std::optional<LibraryApp> app(const QJsonObject& document);
    // A listed device document as a record; nothing without a string "name" or an object
    // "fields".
    static std::optional<Device> device(const QJsonObject& document);
    // Whether a bundle identifier may serve as a document id.
    static bool validDocumentID(const QString& id);
    // Whether every field is a string of a record field and equals the stored record's value.
    static bool same(const LibraryApp& stored, const Fields& fields);

    // ---- Requests ----
    QString documentsRoot() const;
    // "projects/<project>/databases/(default)/documents/" + path.
    QString resourceName(const QString& path) const;
    // One request; the answer's object. A successful answer that is not a JSON object, or nests
    // deeper than the reader takes, fails: it must not read as an empty library.
    QCoro::Task<QJsonObject> request(QByteArray method, QString url,
                                     std::optional<QJsonObject> body = std::nullopt) const;
    // Every document of a collection below the documents root, over all pages, up to the
    // bounds; a listed document that is not in that collection is dropped.
    QCoro::Task<Listing<QJsonObject>> list(QString collection) const;
    // One update write naming exactly the given keys in its mask. A dotted key ("a.b.c") nests
    // its value in map levels, merged with the other keys' levels and with a map value written
    // at a shorter key.
    QJsonObject write(const QString& path, const Fields& fields) const;
    // The same write as compact JSON text.
    QByteArray writeText(const QString& path, const Fields& fields) const;
    // Sends the writes in chunks of 400; nothing for none.
    QCoro::Task<void> commit(QList<QJsonObject> writes) const;
    // The same for writes as compact JSON text.
    QCoro::Task<void> commitText(QList<QByteArray> writes) const;

    // ---- Operations ----
    QCoro::Task<Listing<LibraryApp>> apps() const;
    QCoro::Task<Listing<Device>> devices() const;
    // Deletes the application documents of the identifiers that may be document ids.
    QCoro::Task<void> remove(QStringList ids) const;
    // Deletes every document below the user document, in every collection at every depth, then
    // the user document. Deletes nothing when a bound stops the search.
    QCoro::Task<void> deleteLibrary() const;
    // Writes the user document: e-mail, last sign-in, the name when given, and the creation
    // time only when the document is known to lack it.
    QCoro::Task<void> saveProfile(std::optional<QString> name, QString email) const;

    // The writes that bring this Mac's state into the library, in order: `device`'s document,
    // each changed scanned application, then each application gone from this Mac; as text.
    QList<QByteArray> plan(const QList<Scanned>& scanned, const QList<LibraryApp>& library, const Device& device,
                           const QDateTime& now) const;
    // Commits the plan for this Mac and gives the number of writes.
    QCoro::Task<int> sync(QList<Scanned> scanned, QList<LibraryApp> library, Device device) const;

private:
    struct Answer {
        std::optional<int> status;
        QJsonObject object; // the answer when it is an object
        QJsonArray array;   // ... and when it is an array (a query's results)
        qint64 size = 0;    // of the body
    };
    QCoro::Task<Answer> send(QByteArray method, QString url, std::optional<QByteArray> body) const;
    static void refuseStatus(const Answer& answer);
    // One page's request for the token held (none for the first page), and the reading of its
    // answer, which gives the next page's token.
    using Page = std::function<QCoro::Task<Answer>(const std::optional<QString>& token)>;
    using Take = std::function<std::optional<QString>(const Answer& answer)>;
    // Asks for pages until there is no next token, or it repeats, or the budget is spent.
    QCoro::Task<void> paged(Budget* budget, Page ask, Take take) const;
    // The documents of `collection` within `budget`.
    QCoro::Task<QList<QJsonObject>> list(QString collection, Budget* budget) const;
    // The full names of every document below the one at `path`, at any depth, within `budget`.
    QCoro::Task<QStringList> descendants(QString path, Budget* budget) const;
    // The address of a path below the documents root, each segment encoded.
    QString address(const QString& path) const;
};
