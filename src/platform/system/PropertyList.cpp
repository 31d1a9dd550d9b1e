#include "platform/system/PropertyList.h"

#include "platform/system/PlainPlist.h"
#include "platform/system/ReferenceDate.h"

#include <QDateTime>
#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace PropertyList {
namespace {

// libplist parses and frees recursively and expands shared binary objects into copies, so a
// crafted file could exhaust the stack or the memory. Shapes beyond these bounds are refused.
constexpr int maxDepth = 512;
constexpr quint64 maxNodes = 4'000'000;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// ---- binary shape check -------------------------------------------------------------------

class BinaryShape {
public:
    explicit BinaryShape(const QByteArray& bytes)
        : data_(reinterpret_cast<const uchar*>(bytes.constData())), size_(quint64(bytes.size())) {}

    bool tame() {
        if (size_ < 8 + 32)
            return false;
        const uchar* trailer = data_ + size_ - 32;
        offsetSize_ = trailer[6];
        refSize_ = trailer[7];
        count_ = readBig(trailer + 8, 8);
        const quint64 top = readBig(trailer + 16, 8);
        const quint64 table = readBig(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || count_ == 0 || top >= count_)
            return false;
        if (table < 8 || table > size_ - 32 || count_ > (size_ - 32 - table) / offsetSize_)
            return false;
        table_ = table;
        state_.assign(count_, 0);
        height_.assign(count_, 0);
        nodes_.assign(count_, 0);
        return visit(top);
    }

private:
    static quint64 readBig(const uchar* p, int n) {
        quint64 value = 0;
        for (int i = 0; i < n; ++i)
            value = (value << 8) | p[i];
        return value;
    }

    // The object references a container holds; false when the object is malformed.
    bool children(quint64 object, std::vector<quint64>& out) const {
        out.clear();
        const quint64 offset = readBig(data_ + table_ + object * offsetSize_, offsetSize_);
        if (offset < 8 || offset >= table_)
            return false;
        const uchar marker = data_[offset];
        const int type = marker >> 4;
        if (type != 0xA && type != 0xC && type != 0xD)
            return true;
        quint64 count = marker & 0x0F;
        quint64 at = offset + 1;
        if (count == 0x0F) {
            if (at >= table_ || (data_[at] >> 4) != 0x1)
                return false;
            const int width = 1 << (data_[at] & 0x0F);
            if (width > 8 || at + 1 + width > table_)
                return false;
            count = readBig(data_ + at + 1, width);
            at += 1 + width;
        }
        const quint64 refs = type == 0xD ? count * 2 : count;
        if (count > table_ || refs > (table_ - at) / refSize_)
            return false;
        out.reserve(refs);
        for (quint64 i = 0; i < refs; ++i) {
            const quint64 ref = readBig(data_ + at + i * refSize_, refSize_);
            if (ref >= count_)
                return false;
            out.push_back(ref);
        }
        return true;
    }

    // Longest path and expanded size of the object graph, without recursion; a cycle is refused.
    bool visit(quint64 top) {
        struct Frame {
            quint64 object;
            std::vector<quint64> kids;
            size_t next = 0;
        };
        std::vector<Frame> stack;
        stack.push_back({top, {}});
        if (!children(top, stack.back().kids))
            return false;
        state_[top] = 1;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.kids.size()) {
                const quint64 kid = frame.kids[frame.next++];
                if (state_[kid] == 1)
                    return false;
                if (state_[kid] == 0) {
                    if (stack.size() >= size_t(maxDepth))
                        return false;
                    Frame child{kid, {}};
                    if (!children(kid, child.kids))
                        return false;
                    state_[kid] = 1;
                    stack.push_back(std::move(child));
                }
                continue;
            }
            quint64 nodes = 1;
            int height = 0;
            for (quint64 kid : frame.kids) {
                nodes += nodes_[kid];
                height = std::max(height, int(height_[kid]));
                if (nodes > maxNodes)
                    return false;
            }
            if (height + 1 > maxDepth)
                return false;
            nodes_[frame.object] = nodes;
            height_[frame.object] = quint16(height + 1);
            state_[frame.object] = 2;
            stack.pop_back();
        }
        return true;
    }

    const uchar* data_;
    quint64 size_;
    int offsetSize_ = 0;
    int refSize_ = 0;
    quint64 count_ = 0;
    quint64 table_ = 0;
    std::vector<uchar> state_; // 0 unvisited, 1 on the current path, 2 done
    std::vector<quint16> height_;
    std::vector<quint64> nodes_;
};

// ---- XML preparation ----------------------------------------------------------------------

// libplist takes UTF-8 only and refuses a byte-order mark.
std::optional<QByteArray> asUtf8(const QByteArray& bytes) {
    const auto at = [&](int i) { return i < bytes.size() ? uchar(bytes[i]) : 0x100; };
    std::optional<QStringConverter::Encoding> utf16;
    int skip = 0;
    if (at(0) == 0xFF && at(1) == 0xFE) {
        utf16 = QStringConverter::Utf16LE;
        skip = 2;
    } else if (at(0) == 0xFE && at(1) == 0xFF) {
        utf16 = QStringConverter::Utf16BE;
        skip = 2;
    } else if (at(0) == '<' && at(1) == 0) {
        utf16 = QStringConverter::Utf16LE;
    } else if (at(0) == 0 && at(1) == '<') {
        utf16 = QStringConverter::Utf16BE;
    }
    if (!utf16) {
        if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF)
            return bytes.mid(3);
        return bytes;
    }
    QStringDecoder decoder(*utf16, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes).sliced(skip));
    if (decoder.hasError())
        return std::nullopt;
    return text.toUtf8();
}

// libplist reads "<integer>010</integer>" as octal 8 and "09" as 0; property lists mean decimal.
// Leading zeros are dropped before it parses. The text is copied once, piece by piece: removing
// each run in place would move the rest of the file every time (a file full of them would take
// hours).
QByteArray decimalIntegers(const QByteArray& xml) {
    static const QByteArray tag("<integer>");
    const auto skipTo = [&](qsizetype from, const char* end) {
        const qsizetype found = xml.indexOf(end, from);
        return found < 0 ? xml.size() : found + qsizetype(qstrlen(end));
    };
    QByteArray out;
    qsizetype copied = 0; // xml before this offset is in `out` already
    for (qsizetype at = xml.indexOf('<'); at >= 0 && at < xml.size(); at = xml.indexOf('<', at)) {
        const QByteArrayView rest = QByteArrayView(xml).sliced(at);
        // Text inside comments and character data is left as it is.
        if (rest.startsWith("<!--")) {
            at = skipTo(at, "-->");
            continue;
        }
        if (rest.startsWith("<![CDATA[")) {
            at = skipTo(at, "]]>");
            continue;
        }
        if (!rest.startsWith(tag)) {
            ++at;
            continue;
        }
        at += tag.size();
        qsizetype digits = at;
        while (digits < xml.size() &&
               (xml[digits] == ' ' || xml[digits] == '\t' || xml[digits] == '\n' || xml[digits] == '\r'))
            ++digits;
        if (digits < xml.size() && (xml[digits] == '-' || xml[digits] == '+'))
            ++digits;
        qsizetype zeros = digits;
        while (zeros + 1 < xml.size() && xml[zeros] == '0' && xml[zeros + 1] >= '0' && xml[zeros + 1] <= '9')
            ++zeros;
        if (zeros > digits) {
            if (copied == 0)
                out.reserve(xml.size());
            out.append(xml.constData() + copied, digits - copied);
            copied = zeros;
            at = zeros;
        }
    }
    if (copied == 0)
        return xml;
    out.append(xml.constData() + copied, xml.size() - copied);
    return out;
}

// The deepest nesting of arrays and dictionaries, as an XML reader sees the document: tags
// inside comments, character data and instructions are text, so they can neither hide nor fake
// a level (libplist skips them too, then recurses once per level and overflows the stack). A
// document that is not well-formed XML is refused: what libplist would make of it is unknown.
bool xmlDepthTame(const QByteArray& xml) {
    QXmlStreamReader reader(QString::fromUtf8(xml)); // the text is UTF-8 whatever it declares
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (reader.name() == u"array" || reader.name() == u"dict") {
                if (++depth > maxDepth)
                    return false;
            }
            break;
        case QXmlStreamReader::EndElement:
            if (reader.name() == u"array" || reader.name() == u"dict")
                --depth;
            break;
        default:
            break;
        }
    }
    return !reader.hasError();
}

// ---- libplist to Qt -------------------------------------------------------------------------

std::optional<QVariant> toVariant(plist_t node, int depth) {
    if (!node || depth > maxDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        // Stored unsigned; negative integers come back as their two's complement.
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return QVariant(static_cast<qint64>(value));
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariant(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        char* text = nullptr;
        if (plist_get_node_type(node) == PLIST_STRING)
            plist_get_string_val(node, &text);
        else
            plist_get_key_val(node, &text);
        QString value = QString::fromUtf8(text ? text : "");
        std::free(text);
        return QVariant(value);
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QByteArray value(bytes, bytes ? qsizetype(length) : 0);
        std::free(bytes);
        return QVariant(value);
    }
    case PLIST_DATE: {
        // libplist splits the seconds into a truncated whole part and an unsigned fraction.
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const double fraction = std::abs(usec) / 1e6;
        auto date = ReferenceDate::fromSeconds(sec < 0 ? sec - fraction : sec + fraction);
        if (!date)
            return std::nullopt;
        return QVariant(*date);
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        list.reserve(size);
        for (uint32_t i = 0; i < size; ++i) {
            auto item = toVariant(plist_array_get_item(node, i), depth + 1);
            if (!item)
                return std::nullopt;
            list.append(std::move(*item));
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        bool ok = iter != nullptr;
        while (ok) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            auto item = toVariant(value, depth + 1);
            if (item && key)
                map.insert(QString::fromUtf8(key), std::move(*item));
            else
                ok = false;
            std::free(key);
        }
        std::free(iter);
        if (!ok)
            return std::nullopt;
        return QVariant(map);
    }
    default:
        return std::nullopt;
    }
}

// ---- Qt to libplist -------------------------------------------------------------------------

std::optional<QByteArray> cString(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.contains('\0'))
        return std::nullopt; // libplist would cut the string short
    return bytes;
}

plist_t fromVariant(const QVariant& value, int depth) {
    if (depth > maxDepth)
        return nullptr;
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        PlistPtr dict(plist_new_dict());
        const QVariantMap map = value.typeId() == QMetaType::QVariantMap ? value.toMap() : [&] {
            QVariantMap sorted;
            const auto hash = value.toHash();
            for (auto it = hash.begin(); it != hash.end(); ++it)
                sorted.insert(it.key(), it.value());
            return sorted;
        }();
        for (auto it = map.begin(); it != map.end(); ++it) {
            auto key = cString(it.key());
            plist_t item = key ? fromVariant(it.value(), depth + 1) : nullptr;
            if (!item)
                return nullptr;
            plist_dict_set_item(dict.get(), key->constData(), item);
        }
        return dict.release();
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        PlistPtr array(plist_new_array());
        for (const auto& element : value.toList()) {
            plist_t item = fromVariant(element, depth + 1);
            if (!item)
                return nullptr;
            plist_array_append_item(array.get(), item);
        }
        return array.release();
    }
    case QMetaType::QString: {
        auto text = cString(value.toString());
        return text ? plist_new_string(text->constData()) : nullptr;
    }
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong number = value.toULongLong();
        if (number > qulonglong(std::numeric_limits<qint64>::max()))
            return nullptr;
        return plist_new_uint(number);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return nullptr;
        const double seconds = std::floor(ReferenceDate::seconds(date));
        if (seconds < std::numeric_limits<int32_t>::min() || seconds > std::numeric_limits<int32_t>::max())
            return nullptr;
        return plist_new_date(int32_t(seconds), 0);
    }
    default:
        return nullptr;
    }
}

// The value of a property list's bytes; XML in the plain form is read without the XML reader
// when `plainFirst` allows it.
std::optional<QVariant> parse(const QByteArray& bytes, bool plainFirst) {
    if (bytes.isEmpty() || bytes.size() > maxFileSize)
        return std::nullopt;
    plist_t root = nullptr;
    if (bytes.startsWith("bplist")) {
        if (!BinaryShape(bytes).tame())
            return std::nullopt;
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    } else {
        auto xml = asUtf8(bytes);
        // XML never holds U+0000; libplist cuts a string at one and then aborts on its length.
        if (!xml || xml->isEmpty() || xml->contains('\0'))
            return std::nullopt;
        if (plainFirst) {
            if (auto plain = PlainPlist::read(*xml))
                return plain;
        }
        if (!xmlDepthTame(*xml))
            return std::nullopt;
        *xml = decimalIntegers(*xml);
        plist_from_xml(xml->constData(), uint32_t(xml->size()), &root);
    }
    PlistPtr owned(root);
    return toVariant(root, 0);
}

} // namespace

std::optional<QVariant> fromBytes(const QByteArray& bytes) { return parse(bytes, true); }

std::optional<QVariant> fromBytesThroughReader(const QByteArray& bytes) { return parse(bytes, false); }

std::optional<QVariant> fromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read one byte past the limit, so a file that reports no size (a pipe, /proc) is bounded too.
    // Read in steps: a single read of the limit would allocate the whole limit for every file.
    QByteArray bytes;
    while (bytes.size() <= maxFileSize) {
        const QByteArray chunk = file.read(std::min<qint64>(64 * 1024, maxFileSize + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (bytes.size() > maxFileSize)
        return std::nullopt;
    return fromBytes(bytes);
}

std::optional<QVariantMap> dictionaryFromFile(const QString& path) {
    auto value = fromFile(path);
    if (!value || value->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value->toMap();
}

namespace {

// Whether XML 1.0 can carry the text: no C0 control but tab and line ends, no U+FFFE or U+FFFF,
// no lone surrogate.
bool xmlCarries(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF)
            return false;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c))
            return false;
    }
    return true;
}

bool xmlCarries(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            if (!xmlCarries(it.key()) || !xmlCarries(it.value()))
                return false;
        return true;
    }
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        for (auto it = hash.begin(); it != hash.end(); ++it)
            if (!xmlCarries(it.key()) || !xmlCarries(it.value()))
                return false;
        return true;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        const QVariantList list = value.toList();
        return std::all_of(list.begin(), list.end(), [](const QVariant& each) { return xmlCarries(each); });
    }
    case QMetaType::QString:
        return xmlCarries(value.toString());
    default:
        return true;
    }
}

// The value written by one of libplist's writers, with the matching free.
template <auto write, auto release>
std::optional<QByteArray> serialised(const QVariant& value) {
    PlistPtr root(fromVariant(value, 0));
    if (!root)
        return std::nullopt;
    char* bytes = nullptr;
    uint32_t length = 0;
    write(root.get(), &bytes, &length);
    if (!bytes)
        return std::nullopt;
    QByteArray result(bytes, qsizetype(length));
    release(bytes);
    return result;
}

} // namespace

std::optional<QByteArray> toStorable(const QVariant& value) {
    return xmlCarries(value) ? toXml(value) : serialised<plist_to_bin, plist_to_bin_free>(value);
}

bool storable(const QVariant& value) { return PlistPtr(fromVariant(value, 0)) != nullptr; }

std::optional<QByteArray> toXml(const QVariant& value) { return serialised<plist_to_xml, plist_to_xml_free>(value); }

} // namespace PropertyList
