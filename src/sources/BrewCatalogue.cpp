#include "sources/BrewCatalogue.h"

#include "runtime/Url.h"

#include <QFile>
#include <QSet>

#include <simdjson.h>

#include <string_view>

namespace {

namespace od = simdjson::ondemand;
using Type = od::json_type;

QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

std::optional<QString> stringOf(od::value value) {
    if (Type(value.type()) != Type::string)
        return std::nullopt;
    return text(value.get_string());
}

// A string gives itself, a list of strings gives its strings, anything else (a list mixing in
// other values included) gives nothing.
QStringList stringsOf(od::value value) {
    QStringList result;
    const Type type = value.type();
    if (type == Type::string) {
        result.append(text(value.get_string()));
    } else if (type == Type::array) {
        for (od::value each : value.get_array()) {
            auto string = stringOf(each);
            if (!string)
                return {};
            result.append(*string);
        }
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

// What a cask's artifacts say about the application, in catalogue order.
struct Harvest {
    QStringList apps, bundleIDs, mentions, zap;
    std::optional<QString> pkg;

    void append(Harvest&& other) {
        apps += other.apps;
        bundleIDs += other.bundleIDs;
        mentions += other.mentions;
        zap += other.zap;
        if (!pkg)
            pkg = std::move(other.pkg);
    }
};

// An "uninstall" or "zap" stanza: a list whose every element is an object, else nothing at all.
// The document is read once, so a stanza is harvested aside and kept only when it is whole.
Harvest stanza(od::value value, bool isZap) {
    Harvest result;
    if (Type(value.type()) != Type::array)
        return result;
    for (od::value each : value.get_array()) {
        if (Type(each.type()) != Type::object)
            return {};
        QStringList quit, trash, removed;
        for (od::field field : each.get_object()) {
            const std::string_view key = field.unescaped_key();
            QStringList strings = stringsOf(field.value());
            result.mentions += strings;
            if (key == "quit")
                quit = std::move(strings);
            else if (key == "trash")
                trash = std::move(strings);
            else if (key == "delete")
                removed = std::move(strings);
        }
        result.bundleIDs += quit;
        if (isZap) {
            for (const QString& path : trash + removed) {
                if (path.startsWith(QLatin1String("~/Library/")) && !path.contains(QLatin1Char('*')))
                    result.zap.append(path);
            }
        }
        harvestIdentifiers(trash, result.bundleIDs);
        if (!isZap) {
            for (const QString& path : std::as_const(removed)) {
                if (path.startsWith(QLatin1String("/Applications/")) && path.endsWith(QLatin1String(".app")))
                    result.apps.append(path);
            }
        }
    }
    return result;
}

Harvest artifact(od::object object) {
    Harvest result, uninstall, zap;
    bool hasApp = false;
    std::optional<QString> target;
    for (od::field field : object) {
        const std::string_view key = field.unescaped_key();
        od::value value = field.value();
        if (key == "pkg") {
            if (Type(value.type()) == Type::array) {
                for (od::value first : value.get_array()) {
                    result.pkg = stringOf(first);
                    break;
                }
            }
        } else if (key == "app") {
            hasApp = true;
            if (Type(value.type()) != Type::array)
                continue;
            for (od::value entry : value.get_array()) {
                const Type type = entry.type();
                if (type == Type::string) {
                    result.apps.append(text(entry.get_string()));
                } else if (type == Type::object) {
                    std::optional<QString> named;
                    for (od::field inner : entry.get_object()) {
                        if (inner.unescaped_key().value() == "target")
                            named = stringOf(inner.value());
                    }
                    if (named)
                        result.apps.append(*named);
                }
            }
        } else if (key == "target") {
            target = stringOf(value);
        } else if (key == "uninstall") {
            uninstall = stanza(value, false);
        } else if (key == "zap") {
            zap = stanza(value, true);
        }
    }
    if (hasApp && target)
        result.apps.append(*target);
    result.append(std::move(uninstall));
    result.append(std::move(zap));
    return result;
}

// The fields a variation may override.
struct Variable {
    std::optional<QString> version, url, sha256;

    void read(std::string_view key, od::value value) {
        if (key == "version")
            version = stringOf(value);
        else if (key == "url")
            url = stringOf(value);
        else if (key == "sha256")
            sha256 = stringOf(value);
    }
};

void index(BrewCatalogue& catalogue, const Cask& cask, const QStringList& apps) {
    QSet<QString> seen;
    for (const QString& app : apps) {
        // File names on disk may be decomposed; both sides of the lookup are composed.
        const QString name = lastPathComponent(app).normalized(QString::NormalizationForm_C).toLower();
        if (!seen.contains(name)) {
            seen.insert(name);
            catalogue.byApp[name].append(cask);
        }
    }
    seen.clear();
    for (const QString& id : cask.bundleIDs) {
        if (!seen.contains(id)) {
            seen.insert(id);
            catalogue.byBundle[id].append(cask);
        }
    }
    catalogue.byToken.insert(cask.token, cask);
}

// One cask object into the tables; a cask that names no application is left out.
void add(BrewCatalogue& catalogue, od::object object, const std::optional<QString>& variationKey) {
    std::optional<QString> token, homepage;
    Variable own, variation;
    Harvest harvest;
    bool empty = true;
    for (od::field field : object) {
        empty = false;
        const std::string_view key = field.unescaped_key();
        od::value value = field.value();
        if (key == "token") {
            token = stringOf(value);
        } else if (key == "homepage") {
            homepage = stringOf(value);
        } else if (key == "artifacts") {
            harvest = {};
            if (Type(value.type()) != Type::array)
                continue;
            for (od::value each : value.get_array()) {
                if (Type(each.type()) != Type::object) {
                    harvest = {}; // a list with anything but objects counts as no list
                    break;
                }
                harvest.append(artifact(each.get_object()));
            }
        } else if (key == "variations") {
            if (!variationKey || Type(value.type()) != Type::object)
                continue;
            const QByteArray wanted = variationKey->toUtf8();
            for (od::field each : value.get_object()) {
                if (each.unescaped_key().value() != std::string_view(wanted.constData(), size_t(wanted.size())))
                    continue;
                od::value entry = each.value();
                variation = {};
                if (Type(entry.type()) != Type::object)
                    continue;
                for (od::field inner : entry.get_object())
                    variation.read(inner.unescaped_key(), inner.value());
            }
        } else {
            own.read(key, value);
        }
    }
    if (empty || !token || (harvest.apps.isEmpty() && harvest.bundleIDs.isEmpty()))
        return;

    Cask cask;
    cask.token = *token;
    cask.version = (variation.version ? variation.version : own.version).value_or(QString());
    if (const auto url = variation.url ? variation.url : own.url)
        cask.url = Url::parse(*url);
    cask.sha256 = variation.sha256 ? variation.sha256 : own.sha256;
    cask.homepage = homepage;
    cask.bundleIDs = harvest.bundleIDs;
    cask.mentions = (harvest.bundleIDs + harvest.mentions).join(QLatin1Char('\n')).toLower();
    cask.zap = harvest.zap;
    cask.pkg = harvest.pkg;
    index(catalogue, cask, harvest.apps);
}

} // namespace

std::optional<BrewCatalogue> BrewCatalogue::parse(const QByteArray& json, bool arm, int macOS) {
    // The parser reads a little past the end; text that has no room for that is copied once.
    const size_t size = size_t(json.size());
    simdjson::padded_string copy;
    simdjson::padded_string_view view;
    static_assert(padding >= simdjson::SIMDJSON_PADDING);
    if (size_t(json.capacity()) >= size + size_t(padding)) {
        view = simdjson::padded_string_view(json.constData(), size, size_t(json.capacity()));
    } else {
        copy = simdjson::padded_string(json.constData(), size);
        view = copy;
    }

    const std::optional<QString> key = Cask::variationKey(arm, macOS);
    BrewCatalogue catalogue;
    try {
        od::parser parser;
        od::document document = parser.iterate(view);
        for (od::value each : document.get_array()) {
            if (Type(each.type()) != Type::object)
                return std::nullopt;
            add(catalogue, each.get_object(), key);
        }
        if (document.current_location().error() != simdjson::OUT_OF_BOUNDS)
            return std::nullopt; // something follows the list
    } catch (const simdjson::simdjson_error&) {
        return std::nullopt;
    }
    return catalogue;
}

std::optional<QByteArray> BrewCatalogue::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    QByteArray bytes;
    bytes.reserve(size + padding);
    bytes.resize(size);
    const qint64 got = file.read(bytes.data(), size);
    if (got < 0 || file.error() != QFileDevice::NoError)
        return std::nullopt;
    bytes.resize(got);
    return bytes;
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
