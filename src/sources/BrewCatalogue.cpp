#include "sources/BrewCatalogue.h"

#include "runtime/Url.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

// A string gives itself, a list of strings gives its strings, anything else (a list mixing in
// other values included) gives nothing.
QStringList stringsOf(const QJsonValue& value) {
    if (value.isString())
        return {value.toString()};
    QStringList result;
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (const auto& each : array) {
            if (!each.isString())
                return {};
            result.append(each.toString());
        }
    }
    return result;
}

// A list whose every element is an object, else nothing at all.
QList<QJsonObject> objectsOf(const QJsonValue& value) {
    QList<QJsonObject> result;
    if (!value.isArray())
        return result;
    const QJsonArray array = value.toArray();
    result.reserve(array.size());
    for (const auto& each : array) {
        if (!each.isObject())
            return {};
        result.append(each.toObject());
    }
    return result;
}

QString lastPathComponent(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Bundle identifiers named by files the stanza removes: "<Marker><identifier>[.plist]".
void harvestIdentifiers(const QStringList& trash, QStringList& bundleIDs) {
    static const QLatin1String markers[] = {QLatin1String("/Containers/"), QLatin1String("/Application Scripts/"),
                                            QLatin1String("/Preferences/")};
    for (const QString& path : trash) {
        for (const QLatin1String marker : markers) {
            const qsizetype at = path.indexOf(marker);
            if (at < 0)
                continue;
            const qsizetype start = at + marker.size();
            const qsizetype slash = path.indexOf(QLatin1Char('/'), start);
            QString name = path.mid(start, slash < 0 ? -1 : slash - start);
            if (name.endsWith(QLatin1String(".plist")))
                name.chop(6);
            if (name.split(QLatin1Char('.'), Qt::SkipEmptyParts).size() > 2 && !name.contains(QLatin1Char('*')))
                bundleIDs.append(name);
        }
    }
}

std::optional<QString> stringField(const QJsonObject& variation, const QJsonObject& cask, const QString& key) {
    const QJsonValue fromVariation = variation.value(key);
    if (fromVariation.isString())
        return fromVariation.toString();
    const QJsonValue fromCask = cask.value(key);
    if (fromCask.isString())
        return fromCask.toString();
    return std::nullopt;
}

} // namespace

std::optional<BrewCatalogue> BrewCatalogue::parse(const QByteArray& json, bool arm, int macOS) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    for (const auto& each : array) {
        if (!each.isObject())
            return std::nullopt;
    }

    const std::optional<QString> key = Cask::variationKey(arm, macOS);
    const QString stanzas[] = {QStringLiteral("uninstall"), QStringLiteral("zap")};
    BrewCatalogue catalogue;
    for (const auto& each : array) {
        const QJsonObject object = each.toObject();
        const QJsonValue tokenValue = object.value(QLatin1String("token"));
        if (object.isEmpty() || !tokenValue.isString())
            continue;

        QStringList apps, bundleIDs, mentionStrings, zap;
        std::optional<QString> pkg;
        const QList<QJsonObject> artifacts = objectsOf(object.value(QLatin1String("artifacts")));
        for (const QJsonObject& artifact : artifacts) {
            if (!pkg) {
                const QJsonValue value = artifact.value(QLatin1String("pkg"));
                if (value.isArray() && !value.toArray().isEmpty() && value.toArray().first().isString())
                    pkg = value.toArray().first().toString();
            }
            const QJsonValue app = artifact.value(QLatin1String("app"));
            if (app.isArray()) {
                const QJsonArray entries = app.toArray();
                for (const auto& entry : entries) {
                    if (entry.isString())
                        apps.append(entry.toString());
                    else if (entry.isObject() && entry.toObject().value(QLatin1String("target")).isString())
                        apps.append(entry.toObject().value(QLatin1String("target")).toString());
                }
            }
            if (artifact.contains(QLatin1String("app")) && artifact.value(QLatin1String("target")).isString())
                apps.append(artifact.value(QLatin1String("target")).toString());

            for (const QString& stanza : stanzas) {
                const bool isZap = stanza == QLatin1String("zap");
                const QList<QJsonObject> entries = objectsOf(artifact.value(stanza));
                for (const QJsonObject& d : entries) {
                    bundleIDs += stringsOf(d.value(QLatin1String("quit")));
                    for (auto it = d.constBegin(); it != d.constEnd(); ++it)
                        mentionStrings += stringsOf(it.value());
                    const QStringList trash = stringsOf(d.value(QLatin1String("trash")));
                    const QStringList removed = stringsOf(d.value(QLatin1String("delete")));
                    if (isZap) {
                        for (const QString& path : trash + removed) {
                            if (path.startsWith(QLatin1String("~/Library/")) && !path.contains(QLatin1Char('*')))
                                zap.append(path);
                        }
                    }
                    harvestIdentifiers(trash, bundleIDs);
                    if (!isZap) {
                        for (const QString& path : removed) {
                            if (path.startsWith(QLatin1String("/Applications/")) && path.endsWith(QLatin1String(".app")))
                                apps.append(path);
                        }
                    }
                }
            }
        }
        if (apps.isEmpty() && bundleIDs.isEmpty())
            continue;

        QJsonObject variation;
        if (key) {
            const QJsonValue variations = object.value(QLatin1String("variations"));
            if (variations.isObject()) {
                const QJsonValue entry = variations.toObject().value(*key);
                if (entry.isObject())
                    variation = entry.toObject();
            }
        }

        Cask cask;
        cask.token = tokenValue.toString();
        cask.version = stringField(variation, object, QStringLiteral("version")).value_or(QString());
        if (const auto url = stringField(variation, object, QStringLiteral("url")))
            cask.url = Url::parse(*url);
        cask.sha256 = stringField(variation, object, QStringLiteral("sha256"));
        const QJsonValue homepage = object.value(QLatin1String("homepage"));
        if (homepage.isString())
            cask.homepage = homepage.toString();
        cask.bundleIDs = bundleIDs;
        cask.mentions = (bundleIDs + mentionStrings).join(QLatin1Char('\n')).toLower();
        cask.zap = zap;
        cask.pkg = pkg;

        QSet<QString> seen;
        for (const QString& app : std::as_const(apps)) {
            // File names on disk may be decomposed; both sides of the lookup are composed.
            const QString name = lastPathComponent(app).normalized(QString::NormalizationForm_C).toLower();
            if (!seen.contains(name)) {
                seen.insert(name);
                catalogue.byApp[name].append(cask);
            }
        }
        seen.clear();
        for (const QString& id : std::as_const(bundleIDs)) {
            if (!seen.contains(id)) {
                seen.insert(id);
                catalogue.byBundle[id].append(cask);
            }
        }
        catalogue.byToken.insert(cask.token, cask);
    }
    return catalogue;
}

std::optional<Cask> BrewCatalogue::cask(const QString& bundleID, const QString& fileName) const {
    const QString lowered = bundleID.toLower();
    QList<Cask> candidates;
    const QList<Cask> byName = byApp.value(fileName.normalized(QString::NormalizationForm_C).toLower());
    for (const Cask& each : byName) {
        if (each.bundleIDs.isEmpty() || each.mentions.contains(lowered))
            candidates.append(each);
    }
    if (candidates.isEmpty())
        candidates = byBundle.value(bundleID);
    const Cask* best = nullptr;
    int bestScore = 0;
    for (const Cask& each : std::as_const(candidates)) {
        const int score = (each.token.contains(QLatin1Char('@')) ? 2 : 0) + (each.bundleIDs.contains(bundleID) ? 0 : 1);
        if (!best || score < bestScore) {
            best = &each;
            bestScore = score;
        }
    }
    if (!best)
        return std::nullopt;
    return *best;
}
