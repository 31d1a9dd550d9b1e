#include "library/Cloud.h"

#include "model/SourceKind.h"
#include "runtime/Clock.h"
#include "runtime/Log.h"

#include <QHash>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace {

// The fields of one scanned application; a field without a source is left out, so the stored
// value stays. So is one the reader would drop: a write of what never reads back would make the
// app look changed at every sync.
Cloud::Fields appFields(const InstalledApp& app, const std::optional<Release>& release) {
    using Value = Cloud::Value;
    Cloud::Fields fields{{u"name"_s, Value::string(app.name)}};
    auto put = [&fields](const QString& key, const std::optional<QString>& text) {
        if (const std::optional<QString> stored = Cloud::kept(key, text))
            fields.insert(key, Value::string(*stored));
    };
    if (app.team)
        fields.insert(u"team"_s, Value::string(*app.team));
    if (release) {
        fields.insert(u"source"_s, Value::string(SourceKinds::rawValue(release->kind)));
        const SourceTraits& traits = release->kind.traits();
        if (traits.opensStore && release->storeURL)
            fields.insert(u"storeURL"_s, Value::string(release->storeURL->toString()));
        if (!traits.cloudField.isEmpty())
            put(traits.cloudField.toString(), release->ref);
        if (traits.pageIsHomepage && release->notesURL)
            fields.insert(u"homepage"_s, Value::string(release->notesURL->toString()));
    }
    if (app.feedURL)
        put(u"feedURL"_s, app.feedURL->toString());
    if (app.edKey)
        fields.insert(u"edKey"_s, Value::string(*app.edKey));
    return fields;
}

QString reportedVersion(const InstalledApp& app) {
    return app.version ? *app.version : app.build ? *app.build : u"unknown"_s;
}

} // namespace

QList<QByteArray> Cloud::plan(const QList<Scanned>& scanned, const QList<LibraryApp>& library, const Device& device,
                              const QDateTime& now) const {
    const QString user = u"users/"_s + session.uid;
    QHash<QString, const LibraryApp*> stored;
    stored.reserve(library.size());
    for (const LibraryApp& record : library)
        if (!stored.contains(record.id)) // the first of an id wins
            stored.insert(record.id, &record);

    QList<QByteArray> writes;
    writes.append(writeText(user + u"/devices/"_s + device.id,
                            {
                                {u"name"_s, Value::string(device.name)},
                                {u"model"_s, Value::string(device.model)},
                                {u"lastSeen"_s, Value::date(now)},
                                {u"hardware"_s, Value::string(device.hardware.value_or(QString()))},
                            }));

    QSet<QString> here;
    here.reserve(scanned.size());
    for (const Scanned& entry : scanned)
        here.insert(entry.app.bundleID);

    const QString entryKey = u"devices."_s + device.id;
    for (const Scanned& entry : scanned) {
        const InstalledApp& app = entry.app;
        if (app.bundleID.startsWith(u"com.apple."_s) && !app.isAppStore)
            continue;
        if (!validDocumentID(app.bundleID))
            continue;
        Fields fields = appFields(app, entry.release);
        const QString version = reportedVersion(app);
        if (const auto record = stored.constFind(app.bundleID); record != stored.constEnd()) {
            const auto mine = (*record)->devices.constFind(device.id);
            if (mine != (*record)->devices.constEnd() && mine->installed && mine->version == version &&
                same(**record, fields))
                continue;
        }
        fields.insert(entryKey, Value::map({
                                    {u"version"_s, Value::string(version)},
                                    {u"installed"_s, Value::boolean(true)},
                                    {u"seen"_s, Value::date(now)},
                                }));
        writes.append(writeText(user + u"/apps/"_s + app.bundleID, fields));
    }

    for (const LibraryApp& record : library) {
        const auto mine = record.devices.constFind(device.id);
        if (mine == record.devices.constEnd() || !mine->installed || here.contains(record.id) ||
            !validDocumentID(record.id))
            continue;
        writes.append(writeText(user + u"/apps/"_s + record.id, {
                                                                    {entryKey + u".installed"_s, Value::boolean(false)},
                                                                    {entryKey + u".seen"_s, Value::date(now)},
                                                                }));
    }
    return writes;
}

QCoro::Task<int> Cloud::sync(QList<Scanned> scanned, QList<LibraryApp> library, Device device) const {
    const QList<QByteArray> writes = plan(scanned, library, device, Clock::shared().now());
    qCDebug(lcLibrary) << "sync:" << scanned.size() << "apps scanned," << writes.size() << "writes";
    co_await commitText(writes);
    qCDebug(lcLibrary) << "sync: committed";
    co_return static_cast<int>(writes.size());
}
