#include "platform/system/PlainPlist.h"

#include <QVariantList>
#include <QVariantMap>

namespace PlainPlist {
namespace {

// Deeper documents are left to the general reader, which bounds them itself.
constexpr int maxDepth = 64;
// Eighteen digits always fit a 64-bit integer; longer ones are left to the general reader.
constexpr qsizetype maxDigits = 18;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

class Parser {
public:
    explicit Parser(QByteArrayView xml) : xml_(xml) {}

    std::optional<QVariant> document() {
        if (take("<?xml version=\"1.0\"")) {
            if (take(" encoding=\"") && !(takeCaseless("utf-8") && take("\"")))
                return std::nullopt;
            if (!take("?>"))
                return std::nullopt;
        }
        skipSpace();
        if (take("<!DOCTYPE plist ")) {
            if (take("PUBLIC \"")) {
                if (!quoted(isPublicIdCharacter) || !take(" \""))
                    return std::nullopt;
            } else if (!take("SYSTEM \"")) {
                return std::nullopt;
            }
            if (!quoted(isSystemIdCharacter) || !take(">"))
                return std::nullopt;
            skipSpace();
        }
        if (!take("<plist"))
            return std::nullopt;
        if (take(" version=\"") && !quoted(isPublicIdCharacter))
            return std::nullopt;
        if (!take(">"))
            return std::nullopt;
        skipSpace();
        auto root = value(0);
        skipSpace();
        if (!root || !take("</plist>"))
            return std::nullopt;
        skipSpace();
        if (at_ != xml_.size())
            return std::nullopt;
        return root;
    }

private:
    static bool isPublicIdCharacter(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               (c != '"' && QByteArrayView(" -'()+,./:=?;!*#@$_%").contains(c));
    }
    static bool isSystemIdCharacter(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               QByteArrayView("-._~:/?#@!$'()*+,;=%").contains(c);
    }

    bool take(QByteArrayView token) {
        if (!xml_.sliced(at_).startsWith(token))
            return false;
        at_ += token.size();
        return true;
    }
    bool takeCaseless(QByteArrayView token) {
        if (xml_.size() - at_ < token.size() || xml_.sliced(at_, token.size()).compare(token, Qt::CaseInsensitive) != 0)
            return false;
        at_ += token.size();
        return true;
    }
    // An empty element, "<name/>" or "<name />".
    bool takeEmpty(QByteArrayView open) {
        const qsizetype start = at_;
        if (take(open)) {
            skipSpace();
            if (take("/>"))
                return true;
        }
        at_ = start;
        return false;
    }
    void skipSpace() {
        while (at_ < xml_.size() && isSpace(xml_[at_]))
            ++at_;
    }
    // The rest of a quoted literal whose characters all pass `allowed`, through its closing quote.
    template <typename Allowed>
    bool quoted(Allowed allowed) {
        while (at_ < xml_.size() && xml_[at_] != '"') {
            if (!allowed(xml_[at_]))
                return false;
            ++at_;
        }
        return take("\"");
    }

    // Character data up to the next tag, as text; nothing when it holds markup, a character XML
    // refuses or bytes that are not UTF-8.
    std::optional<QString> text() {
        const qsizetype start = at_;
        while (at_ < xml_.size() && xml_[at_] != '<') {
            if (xml_[at_] == '&')
                return std::nullopt;
            ++at_;
        }
        const QByteArrayView bytes = xml_.sliced(start, at_ - start);
        if (bytes.contains("]]>"))
            return std::nullopt;
        QString result = QString::fromUtf8(bytes);
        for (const QChar c : result) {
            const char16_t u = c.unicode();
            // U+FFFD also stands for bytes that are not UTF-8.
            if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFD || u == 0xFFFE || u == 0xFFFF)
                return std::nullopt;
        }
        return result;
    }

    std::optional<QString> element(QByteArrayView close) {
        auto content = text();
        if (!content || !take(close))
            return std::nullopt;
        return content;
    }

    std::optional<QVariant> value(int depth) {
        if (depth > maxDepth)
            return std::nullopt;
        if (take("<string>"))
            return element("</string>");
        if (take("<dict>"))
            return dictionary(depth);
        if (takeEmpty("<true"))
            return QVariant(true);
        if (takeEmpty("<false"))
            return QVariant(false);
        if (take("<integer>"))
            return integer();
        if (take("<array>"))
            return array(depth);
        if (takeEmpty("<string"))
            return QVariant(QString());
        if (takeEmpty("<dict"))
            return QVariant(QVariantMap());
        if (takeEmpty("<array"))
            return QVariant(QVariantList());
        return std::nullopt;
    }

    std::optional<QVariant> dictionary(int depth) {
        QVariantMap map;
        for (skipSpace(); !take("</dict>"); skipSpace()) {
            if (!take("<key>"))
                return std::nullopt;
            auto key = element("</key>");
            // A repeated key, and the key that marks a keyed archive's reference, mean more
            // than a plain dictionary.
            if (!key || map.contains(*key) || *key == u"CF$UID")
                return std::nullopt;
            skipSpace();
            auto item = value(depth + 1);
            if (!item)
                return std::nullopt;
            map.insert(*key, std::move(*item));
        }
        return QVariant(map);
    }

    std::optional<QVariant> array(int depth) {
        QVariantList list;
        for (skipSpace(); !take("</array>"); skipSpace()) {
            auto item = value(depth + 1);
            if (!item)
                return std::nullopt;
            list.append(std::move(*item));
        }
        return QVariant(list);
    }

    // Decimal digits with an optional minus and no leading zero.
    std::optional<QVariant> integer() {
        const bool negative = take("-");
        const qsizetype start = at_;
        quint64 magnitude = 0; // wraps harmlessly past the digits it keeps
        while (at_ < xml_.size() && xml_[at_] >= '0' && xml_[at_] <= '9')
            magnitude = magnitude * 10 + quint64(xml_[at_++] - '0');
        const qsizetype digits = at_ - start;
        if (digits == 0 || digits > maxDigits || (xml_[start] == '0' && (digits > 1 || negative)))
            return std::nullopt;
        if (!take("</integer>"))
            return std::nullopt;
        return QVariant(negative ? -qint64(magnitude) : qint64(magnitude));
    }

    QByteArrayView xml_;
    qsizetype at_ = 0;
};

} // namespace

std::optional<QVariant> read(QByteArrayView xml) { return Parser(xml).document(); }

} // namespace PlainPlist
