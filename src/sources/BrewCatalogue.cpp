#include "sources/BrewCatalogue.h"

#include "runtime/Url.h"

#include <QFile>

#include <simdjson.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace od = simdjson::ondemand;
using Type = od::json_type;
using Text = std::string_view; // UTF-8, valid while its cask's document is
using Texts = std::vector<Text>;

std::optional<Text> stringOf(od::value value) {
    if (Type(value.type()) != Type::string)
        return std::nullopt;
    return Text(value.get_string());
}

// A string gives itself, a list of strings gives its strings, anything else (a list mixing in
// other values included) gives nothing.
Texts stringsOf(od::value value) {
    Texts result;
    const Type type = value.type();
    if (type == Type::string) {
        result.push_back(value.get_string());
    } else if (type == Type::array) {
        for (od::value each : value.get_array()) {
            auto string = stringOf(each);
            if (!string)
                return {};
            result.push_back(*string);
        }
    }
    return result;
}

bool isAscii(Text text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
}

QString qtext(Text text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Appends `text` in lower case, as QString::toLower gives it, in UTF-8.
void appendLowered(QByteArray& out, Text text) {
    const qsizetype at = out.size();
    out.append(text.data(), qsizetype(text.size()));
    // Eight bytes at a time: a byte from 'A' to 'Z' is the one that passes 'A' - 1 and not 'Z'.
    char* bytes = out.data() + at;
    const size_t size = text.size();
    constexpr quint64 ones = 0x0101010101010101ull;
    quint64 high = 0;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, bytes + i, 8);
        high |= word;
        const quint64 seven = word & (0x7F * ones);
        const quint64 upper = ((seven + (0x80 - 'A') * ones) ^ (seven + (0x7F - 'Z') * ones)) & (0x80 * ones);
        word |= upper >> 2;
        std::memcpy(bytes + i, &word, 8);
    }
    for (; i < size; ++i) {
        const auto c = (unsigned char)bytes[i];
        high |= c;
        if (c >= 'A' && c <= 'Z')
            bytes[i] = char(c | 0x20);
    }
    if (high & (0x80 * ones)) {
        out.truncate(at);
        out.append(qtext(text).toLower().toUtf8());
    }
}

QByteArray lowered(Text text) {
    QByteArray result;
    result.reserve(qsizetype(text.size()));
    appendLowered(result, text);
    return result;
}

Text lastPathComponent(Text path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return slash == Text::npos ? path : path.substr(slash + 1);
}

// File names on disk may be decomposed; both sides of the lookup are composed and lower-cased.
QByteArray appKey(const QString& name) { return name.normalized(QString::NormalizationForm_C).toLower().toUtf8(); }
QByteArray appKey(Text name) { return isAscii(name) ? lowered(name) : appKey(qtext(name)); }

bool startsWith(Text text, Text prefix) { return text.substr(0, prefix.size()) == prefix; }
bool endsWith(Text text, Text suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}
bool contains(Text text, char c) { return text.find(c) != Text::npos; }

// Bundle identifiers named by files the stanza removes: "<Marker><identifier>[.plist]".
void harvestIdentifiers(const Texts& trash, Texts& bundleIDs) {
    static constexpr Text markers[] = {"/Containers/", "/Application Scripts/", "/Preferences/"};
    for (const Text path : trash) {
        for (const Text marker : markers) {
            const size_t at = path.find(marker);
            if (at == Text::npos)
                continue;
            const size_t start = at + marker.size();
            const size_t slash = path.find('/', start);
            Text name = path.substr(start, slash == Text::npos ? Text::npos : slash - start);
            if (endsWith(name, ".plist"))
                name.remove_suffix(6);
            int parts = 0;
            for (size_t from = 0; from <= name.size();) {
                const size_t dot = std::min(name.find('.', from), name.size());
                parts += dot > from ? 1 : 0;
                from = dot + 1;
            }
            if (parts > 2 && !contains(name, '*'))
                bundleIDs.push_back(name);
        }
    }
}

// What a cask's artifacts say about the application, in catalogue order.
struct Harvest {
    Texts apps, bundleIDs, mentions, zap;
    std::optional<Text> pkg;

    void append(Harvest&& other) {
        apps.insert(apps.end(), other.apps.begin(), other.apps.end());
        bundleIDs.insert(bundleIDs.end(), other.bundleIDs.begin(), other.bundleIDs.end());
        mentions.insert(mentions.end(), other.mentions.begin(), other.mentions.end());
        zap.insert(zap.end(), other.zap.begin(), other.zap.end());
        if (!pkg)
            pkg = other.pkg;
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
        Texts quit, trash, removed;
        for (od::field field : each.get_object()) {
            const Text key = field.unescaped_key();
            Texts strings = stringsOf(field.value());
            result.mentions.insert(result.mentions.end(), strings.begin(), strings.end());
            if (key == "quit")
                quit = std::move(strings);
            else if (key == "trash")
                trash = std::move(strings);
            else if (key == "delete")
                removed = std::move(strings);
        }
        result.bundleIDs.insert(result.bundleIDs.end(), quit.begin(), quit.end());
        if (isZap) {
            for (const Texts* list : {&trash, &removed})
                for (const Text path : *list)
                    if (startsWith(path, "~/Library/") && !contains(path, '*'))
                        result.zap.push_back(path);
        }
        harvestIdentifiers(trash, result.bundleIDs);
        if (!isZap) {
            for (const Text path : removed)
                if (startsWith(path, "/Applications/") && endsWith(path, ".app"))
                    result.apps.push_back(path);
        }
    }
    return result;
}

Harvest artifact(od::object object) {
    Harvest result, uninstall, zap;
    bool hasApp = false;
    std::optional<Text> target;
    for (od::field field : object) {
        const Text key = field.unescaped_key();
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
                    result.apps.push_back(entry.get_string());
                } else if (type == Type::object) {
                    std::optional<Text> named;
                    for (od::field inner : entry.get_object()) {
                        if (inner.unescaped_key().value() == "target")
                            named = stringOf(inner.value());
                    }
                    if (named)
                        result.apps.push_back(*named);
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
        result.apps.push_back(*target);
    result.append(std::move(uninstall));
    result.append(std::move(zap));
    return result;
}

// The fields a variation may override.
struct Variable {
    std::optional<Text> version, url, sha256;

    void read(Text key, od::value value) {
        if (key == "version")
            version = stringOf(value);
        else if (key == "url")
            url = stringOf(value);
        else if (key == "sha256")
            sha256 = stringOf(value);
    }
};

// Where each cask object of the top-level list starts and ends, without parsing it: strings
// (and the brackets inside them) are skipped, nesting is counted. Nothing when the text is not
// a list of objects.
std::optional<std::vector<std::pair<size_t, size_t>>> objectsOf(std::string_view json) {
    std::vector<std::pair<size_t, size_t>> objects;
    const auto space = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
    size_t i = 0;
    const size_t n = json.size();
    const auto skipSpace = [&] {
        while (i < n && space(json[i]))
            ++i;
    };
    skipSpace();
    if (i == n || json[i] != '[')
        return std::nullopt;
    ++i;
    skipSpace();
    if (i < n && json[i] == ']') {
        ++i;
    } else {
        for (;;) {
            if (i == n || json[i] != '{')
                return std::nullopt;
            const size_t start = i;
            int depth = 0;
            for (; i < n; ++i) {
                const char c = json[i];
                if (c == '"') {
                    // The closing quote is the first one behind an even run of backslashes.
                    for (;;) {
                        const void* quote = std::memchr(json.data() + i + 1, '"', n - i - 1);
                        if (!quote)
                            return std::nullopt;
                        i = size_t(static_cast<const char*>(quote) - json.data());
                        size_t slashes = 0;
                        while (json[i - 1 - slashes] == '\\')
                            ++slashes;
                        if (slashes % 2 == 0)
                            break;
                    }
                } else if (c == '{' || c == '[') {
                    ++depth;
                } else if (c == '}' || c == ']') {
                    if (--depth == 0)
                        break;
                }
            }
            if (i == n)
                return std::nullopt;
            objects.emplace_back(start, ++i);
            skipSpace();
            if (i < n && json[i] == ']') {
                ++i;
                break;
            }
            if (i == n || json[i] != ',')
                return std::nullopt;
            ++i;
            skipSpace();
        }
    }
    skipSpace();
    if (i != n)
        return std::nullopt; // something follows the list
    return objects;
}

} // namespace

// Reads casks into a catalogue's tables.
class CatalogueReader {
public:
    CatalogueReader(BrewCatalogue& catalogue, std::optional<QByteArray> variationKey)
        : c_(catalogue), key_(std::move(variationKey)) {}

    // One cask object into the tables; a cask that names no application is left out.
    void add(od::object object) {
        std::optional<Text> token, homepage;
        Variable own, variation;
        Harvest harvest;
        bool empty = true;
        for (od::field field : object) {
            empty = false;
            const Text key = field.unescaped_key();
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
                if (!key_ || Type(value.type()) != Type::object)
                    continue;
                for (od::field each : value.get_object()) {
                    if (each.unescaped_key().value() != Text(key_->constData(), size_t(key_->size())))
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
        if (empty || !token || (harvest.apps.empty() && harvest.bundleIDs.empty()))
            return;

        BrewCatalogue::Record record;
        record.token = put(*token);
        if (const auto version = variation.version ? variation.version : own.version)
            record.version = put(*version);
        if (const auto url = variation.url ? variation.url : own.url) {
            record.url = put(*url);
            record.hasUrl = true;
        }
        if (const auto sha256 = variation.sha256 ? variation.sha256 : own.sha256) {
            record.sha256 = put(*sha256);
            record.hasSha256 = true;
        }
        if (homepage) {
            record.homepage = put(*homepage);
            record.hasHomepage = true;
        }
        if (harvest.pkg) {
            record.pkg = put(*harvest.pkg);
            record.hasPkg = true;
        }
        // Identifiers and stanza strings, one per line, lower-cased.
        record.mentions.offset = quint32(c_.text_.size());
        bool first = true;
        for (const Texts* list : {&harvest.bundleIDs, &harvest.mentions}) {
            for (const Text each : *list) {
                if (!first)
                    c_.text_.append('\n');
                first = false;
                appendLowered(c_.text_, each);
            }
        }
        record.mentions.size = quint32(c_.text_.size()) - record.mentions.offset;
        record.lists = quint32(c_.lists_.size());
        record.bundles = quint32(harvest.bundleIDs.size());
        record.zaps = quint32(harvest.zap.size());
        for (const Texts* list : {&harvest.bundleIDs, &harvest.zap})
            for (const Text each : *list)
                c_.lists_.push_back(put(each));

        const auto index = quint32(c_.records_.size());
        c_.records_.push_back(record);
        QList<QByteArray> seen;
        for (const Text app : harvest.apps) {
            QByteArray name = appKey(lastPathComponent(app));
            if (!seen.contains(name)) {
                c_.byApp_[name].append(index);
                seen.append(std::move(name));
            }
        }
        seen.clear();
        for (const Text id : harvest.bundleIDs) {
            QByteArray name(id.data(), qsizetype(id.size()));
            if (!seen.contains(name)) {
                c_.byBundle_[name].append(index);
                seen.append(std::move(name));
            }
        }
        c_.byToken_.insert(QByteArray(token->data(), qsizetype(token->size())), index);
    }

private:
    BrewCatalogue::Span put(Text text) {
        const BrewCatalogue::Span span{quint32(c_.text_.size()), quint32(text.size())};
        c_.text_.append(text.data(), qsizetype(text.size()));
        return span;
    }

    BrewCatalogue& c_;
    std::optional<QByteArray> key_;
};

std::optional<BrewCatalogue> BrewCatalogue::parse(QByteArrayView json, bool arm, int macOS) {
    const std::string_view text(json.data(), size_t(json.size()));
    const auto objects = objectsOf(text);
    if (!objects)
        return std::nullopt;
    const auto key = Cask::variationKey(arm, macOS);
    BrewCatalogue catalogue;
    // The kept texts come to about a third of the catalogue. Pages reserved and never written
    // cost nothing, and the block is shrunk in place at the end, so reserving half saves copies.
    catalogue.text_.reserve(json.size() / 2 + 4096);
    catalogue.records_.reserve(objects->size());
    catalogue.byToken_.reserve(qsizetype(objects->size()));
    catalogue.byApp_.reserve(qsizetype(objects->size()));
    catalogue.byBundle_.reserve(qsizetype(objects->size()) * 2);
    CatalogueReader reader(catalogue, key ? std::optional<QByteArray>(key->toUtf8()) : std::nullopt);
    // One cask at a time, so the parser's indexes stay the size of one cask. The parser may read
    // a little past a cask's end; the last casks, with no text behind them, are copied.
    od::parser parser;
    simdjson::padded_string copy;
    try {
        for (const auto& [start, end] : *objects) {
            const size_t room = text.size() - start;
            od::document document;
            if (room - (end - start) >= simdjson::SIMDJSON_PADDING) {
                document = parser.iterate(simdjson::padded_string_view(text.data() + start, end - start, room));
            } else {
                copy = simdjson::padded_string(text.data() + start, end - start);
                document = parser.iterate(copy);
            }
            reader.add(document.get_object());
            if (document.current_location().error() != simdjson::OUT_OF_BOUNDS)
                return std::nullopt;
        }
    } catch (const simdjson::simdjson_error&) {
        return std::nullopt;
    }
    catalogue.text_.squeeze();
    return catalogue;
}

std::optional<BrewCatalogue> BrewCatalogue::load(const QString& path, bool arm, int macOS) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    if (st.st_size == 0) {
        ::close(fd);
        return parse({}, arm, macOS);
    }
    void* mapped = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED)
        return std::nullopt;
    auto catalogue = parse(QByteArrayView(static_cast<const char*>(mapped), qsizetype(st.st_size)), arm, macOS);
    ::munmap(mapped, size_t(st.st_size));
    return catalogue;
}

Cask BrewCatalogue::make(quint32 index) const {
    const Record& record = records_[index];
    Cask cask;
    cask.token = string(record.token);
    cask.version = string(record.version);
    if (record.hasUrl)
        cask.url = Url::parse(string(record.url));
    if (record.hasSha256)
        cask.sha256 = string(record.sha256);
    if (record.hasHomepage)
        cask.homepage = string(record.homepage);
    if (record.hasPkg)
        cask.pkg = string(record.pkg);
    cask.mentions = string(record.mentions);
    for (quint32 i = 0; i < record.bundles; ++i)
        cask.bundleIDs.append(string(lists_[record.lists + i]));
    for (quint32 i = 0; i < record.zaps; ++i)
        cask.zap.append(string(lists_[record.lists + record.bundles + i]));
    return cask;
}

QList<Cask> BrewCatalogue::make(const QList<quint32>& indices) const {
    QList<Cask> casks;
    for (const quint32 index : indices)
        casks.append(make(index));
    return casks;
}

std::optional<Cask> BrewCatalogue::byToken(const QString& token) const {
    const auto found = byToken_.constFind(token.toUtf8());
    if (found == byToken_.cend())
        return std::nullopt;
    return make(*found);
}

QList<Cask> BrewCatalogue::byApp(const QString& name) const { return make(byApp_.value(name.toUtf8())); }


QStringList BrewCatalogue::tokens() const {
    QStringList result;
    for (auto it = byToken_.cbegin(); it != byToken_.cend(); ++it)
        result.append(QString::fromUtf8(it.key()));
    return result;
}

std::optional<Cask> BrewCatalogue::cask(const QString& bundleID, const QString& fileName) const {
    const QByteArray wanted = bundleID.toUtf8();
    const QByteArray loweredID = bundleID.toLower().toUtf8();
    const auto bundlesOf = [this](const Record& record) {
        return std::span(lists_.data() + record.lists, record.bundles);
    };
    QList<quint32> candidates;
    for (const quint32 index : byApp_.value(appKey(fileName))) {
        const Record& record = records_[index];
        if (record.bundles == 0 || view(record.mentions).contains(loweredID))
            candidates.append(index);
    }
    if (candidates.isEmpty())
        candidates = byBundle_.value(wanted);
    std::optional<quint32> best;
    int bestScore = 0;
    for (const quint32 index : std::as_const(candidates)) {
        const Record& record = records_[index];
        const auto ids = bundlesOf(record);
        const bool named = std::any_of(ids.begin(), ids.end(), [&](Span id) { return view(id) == wanted; });
        const int score = (view(record.token).contains('@') ? 2 : 0) + (named ? 0 : 1);
        if (!best || score < bestScore) {
            best = index;
            bestScore = score;
        }
    }
    if (!best)
        return std::nullopt;
    return make(*best);
}
