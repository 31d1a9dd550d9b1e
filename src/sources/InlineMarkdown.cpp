#include "sources/InlineMarkdown.h"

#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// One piece of output text. Nodes are never inserted or reordered once made, so styles can be
// recorded as ranges of node indices.
struct Node {
    QString text;
    bool code = false;
};

// An emphasis delimiter run still able to open or close.
struct Delimiter {
    int node = 0;
    QChar ch;
    int count = 0;    // characters left
    int original = 0; // characters in the run as written
    bool canOpen = false;
    bool canClose = false;
    int prev = -1;
    int next = -1;
};

struct Bracket {
    int node = 0;
    int delimiterTop = -1; // the last delimiter before the bracket
    bool active = true;
};

struct Range {
    int from = 0; // first node
    int to = 0;   // one past the last node
    QString destination;
};

bool isAsciiPunctuation(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x21 && u <= 0x2F) || (u >= 0x3A && u <= 0x40) || (u >= 0x5B && u <= 0x60) || (u >= 0x7B && u <= 0x7E);
}

bool isPunctuation(QChar c) { return isAsciiPunctuation(c) || c.isPunct(); }

bool isWhitespace(QChar c) {
    return c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r' || c.category() == QChar::Separator_Space;
}

constexpr qsizetype maxLinkTail = 4096;

class Parser {
public:
    explicit Parser(const QString& text) : s_(text) { indexBackticks(); }

    StyledText run() {
        const qsizetype n = s_.size();
        while (pos_ < n) {
            const QChar c = s_[pos_];
            if (c == u'\\' && pos_ + 1 < n && isAsciiPunctuation(s_[pos_ + 1])) {
                pending_ += s_[pos_ + 1];
                pos_ += 2;
            } else if (c == u'`') {
                codeSpan();
            } else if (c == u'<' && autolink()) {
            } else if (c == u'*' || c == u'_') {
                delimiterRun(c);
            } else if (c == u'[') {
                flush();
                nodes_.push_back({QStringLiteral("[")});
                brackets_.push_back({int(nodes_.size()) - 1, top_, true});
                ++pos_;
            } else if (c == u']') {
                closeBracket();
            } else {
                pending_ += c;
                ++pos_;
            }
        }
        flush();
        processEmphasis(-1);
        return output();
    }

private:
    void flush() {
        if (!pending_.isEmpty()) {
            nodes_.push_back({pending_});
            pending_.clear();
        }
    }

    qsizetype runLength(qsizetype at, QChar c) const {
        qsizetype end = at;
        while (end < s_.size() && s_[end] == c)
            ++end;
        return end - at;
    }

    // Every maximal backtick run, by length, in text order.
    void indexBackticks() {
        for (qsizetype i = 0; i < s_.size();) {
            if (s_[i] != u'`') {
                ++i;
                continue;
            }
            const qsizetype len = runLength(i, u'`');
            backticks_[len].push_back(i);
            i += len;
        }
    }

    void codeSpan() {
        const qsizetype len = runLength(pos_, u'`');
        // Looked up in place: a copy of the positions per span would make many spans quadratic.
        static const std::vector<qsizetype> none;
        const auto found = backticks_.constFind(len);
        const auto& starts = found == backticks_.constEnd() ? none : *found;
        const auto after = std::upper_bound(starts.begin(), starts.end(), pos_);
        if (after == starts.end()) {
            pending_ += s_.mid(pos_, len);
            pos_ += len;
            return;
        }
        QString content = s_.mid(pos_ + len, *after - pos_ - len);
        if (content.size() >= 2 && content.front() == u' ' && content.back() == u' ' && content.trimmed().size() > 0)
            content = content.mid(1, content.size() - 2);
        flush();
        nodes_.push_back({content, true});
        pos_ = *after + len;
    }

    bool autolink() {
        // Stops at the first space or "<", so runs of "<" cost nothing each.
        qsizetype close = pos_ + 1;
        while (close < s_.size() && s_[close] != u'>') {
            if (s_[close].unicode() <= 0x20 || s_[close] == u'<')
                return false;
            ++close;
        }
        if (close >= s_.size())
            return false;
        const QString inner = s_.mid(pos_ + 1, close - pos_ - 1);
        QString destination;
        static const QRegularExpression uri(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]{1,31}:"));
        static const QRegularExpression email(
            QStringLiteral("^[A-Za-z0-9.!#$%&'*+/=?^_`{|}~-]+@[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?"
                           "(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*$"));
        if (uri.match(inner).hasMatch())
            destination = inner;
        else if (email.match(inner).hasMatch())
            destination = QStringLiteral("mailto:") + inner;
        else
            return false;
        flush();
        nodes_.push_back({inner});
        links_.push_back({int(nodes_.size()) - 1, int(nodes_.size()), destination});
        pos_ = close + 1;
        return true;
    }

    void delimiterRun(QChar c) {
        const qsizetype len = runLength(pos_, c);
        const QChar before = pos_ > 0 ? s_[pos_ - 1] : QChar(u'\n');
        const QChar after = pos_ + len < s_.size() ? s_[pos_ + len] : QChar(u'\n');
        const bool left =
            !isWhitespace(after) && (!isPunctuation(after) || isWhitespace(before) || isPunctuation(before));
        const bool right =
            !isWhitespace(before) && (!isPunctuation(before) || isWhitespace(after) || isPunctuation(after));
        Delimiter d;
        d.ch = c;
        d.count = d.original = int(len);
        if (c == u'*') {
            d.canOpen = left;
            d.canClose = right;
        } else {
            d.canOpen = left && (!right || isPunctuation(before));
            d.canClose = right && (!left || isPunctuation(after));
        }
        flush();
        nodes_.push_back({s_.mid(pos_, len)});
        d.node = int(nodes_.size()) - 1;
        d.prev = top_;
        delimiters_.push_back(d);
        const int index = int(delimiters_.size()) - 1;
        if (top_ >= 0)
            delimiters_[top_].next = index;
        top_ = index;
        pos_ += len;
    }

    void unlink(int index) {
        Delimiter& d = delimiters_[index];
        if (d.prev >= 0)
            delimiters_[d.prev].next = d.next;
        if (d.next >= 0)
            delimiters_[d.next].prev = d.prev;
        if (top_ == index)
            top_ = d.prev;
    }

    // The emphasis rules over the delimiters above `bottom` (an index, or -1 for all).
    void processEmphasis(int bottom) {
        int current = bottom >= 0 ? delimiters_[bottom].next : first();
        // Where the search for an opener may stop, per kind of closer.
        QMap<int, int> openersBottom;
        while (current >= 0) {
            Delimiter& closer = delimiters_[current];
            if (!closer.canClose) {
                current = closer.next;
                continue;
            }
            const int key = (closer.ch == u'*' ? 0 : 6) + (closer.original % 3) * 2 + (closer.canOpen ? 1 : 0);
            const int stop = openersBottom.value(key, bottom);
            int opener = closer.prev;
            while (opener >= 0 && opener != bottom && opener != stop) {
                const Delimiter& o = delimiters_[opener];
                const bool oddMatch = (o.canClose || closer.canOpen) && (o.original + closer.original) % 3 == 0 &&
                                      !(o.original % 3 == 0 && closer.original % 3 == 0);
                if (o.ch == closer.ch && o.canOpen && !oddMatch)
                    break;
                opener = o.prev;
            }
            if (opener >= 0 && opener != bottom && opener != stop) {
                Delimiter& o = delimiters_[opener];
                const int use = (o.count >= 2 && closer.count >= 2) ? 2 : 1;
                (use == 2 ? strong_ : em_).push_back({o.node + 1, closer.node, {}});
                o.count -= use;
                closer.count -= use;
                nodes_[o.node].text.chop(use);
                nodes_[closer.node].text.remove(0, use);
                // Delimiters between the two become literal.
                for (int between = o.next; between >= 0 && between != current;) {
                    const int next = delimiters_[between].next;
                    unlink(between);
                    between = next;
                }
                if (o.count == 0)
                    unlink(opener);
                if (closer.count == 0) {
                    const int next = closer.next;
                    unlink(current);
                    current = next;
                }
            } else {
                openersBottom[key] = closer.prev;
                const int next = closer.next;
                if (!closer.canOpen)
                    unlink(current);
                current = next;
            }
        }
        while (top_ >= 0 && top_ != bottom)
            unlink(top_);
    }

    int first() const {
        int index = top_;
        while (index >= 0 && delimiters_[index].prev >= 0)
            index = delimiters_[index].prev;
        return index;
    }

    // "(destination "title")" right after a closing bracket; the position after it.
    std::optional<std::pair<QString, qsizetype>> inlineLink(qsizetype at) const {
        // A link's tail is looked for within a bounded stretch, so hostile text full of
        // brackets stays linear.
        const qsizetype n = std::min(s_.size(), at + maxLinkTail);
        if (at >= n || s_[at] != u'(')
            return std::nullopt;
        qsizetype i = at + 1;
        const auto skipSpace = [&] {
            while (i < n && isWhitespace(s_[i]))
                ++i;
        };
        skipSpace();
        QString destination;
        if (i < n && s_[i] == u'<') {
            ++i;
            while (i < n && s_[i] != u'>') {
                if (s_[i] == u'\n' || s_[i] == u'<')
                    return std::nullopt;
                if (s_[i] == u'\\' && i + 1 < n && isAsciiPunctuation(s_[i + 1]))
                    ++i;
                destination += s_[i++];
            }
            if (i >= n)
                return std::nullopt;
            ++i;
        } else {
            int depth = 0;
            while (i < n && !isWhitespace(s_[i]) && s_[i].unicode() >= 0x20) {
                const QChar c = s_[i];
                if (c == u'\\' && i + 1 < n && isAsciiPunctuation(s_[i + 1])) {
                    destination += s_[i + 1];
                    i += 2;
                    continue;
                }
                if (c == u'(' && ++depth > 32)
                    return std::nullopt;
                if (c == u')' && depth-- == 0)
                    break;
                destination += c;
                ++i;
            }
            if (depth > 0)
                return std::nullopt;
        }
        const qsizetype beforeSpace = i;
        skipSpace();
        if (i < n && i > beforeSpace && (s_[i] == u'"' || s_[i] == u'\'' || s_[i] == u'(')) {
            const QChar closing = s_[i] == u'(' ? QChar(u')') : s_[i];
            ++i;
            while (i < n && s_[i] != closing) {
                if (closing == u')' && s_[i] == u'(')
                    return std::nullopt;
                if (s_[i] == u'\\' && i + 1 < n)
                    ++i;
                ++i;
            }
            if (i >= n)
                return std::nullopt;
            ++i;
            skipSpace();
        }
        if (i >= n || s_[i] != u')')
            return std::nullopt;
        return std::make_pair(destination, i + 1);
    }

    void closeBracket() {
        if (brackets_.empty()) {
            pending_ += u']';
            ++pos_;
            return;
        }
        const Bracket opener = brackets_.back();
        brackets_.pop_back();
        const bool active = opener.active && qsizetype(brackets_.size()) >= activeFrom_;
        activeFrom_ = std::min(activeFrom_, qsizetype(brackets_.size()));
        const auto link = active ? inlineLink(pos_ + 1) : std::nullopt;
        if (!link) {
            pending_ += u']';
            ++pos_;
            return;
        }
        flush();
        processEmphasis(opener.delimiterTop);
        nodes_[opener.node].text.clear();
        links_.push_back({opener.node + 1, int(nodes_.size()), link->first});
        // Links do not nest: earlier openers can no longer make one. Marked by position, not
        // one by one, so that many links after many open brackets stay linear.
        activeFrom_ = qsizetype(brackets_.size());
        pos_ = link->second;
    }

    StyledText output() const {
        const int count = int(nodes_.size());
        std::vector<int> em(count + 1, 0), strong(count + 1, 0);
        for (const Range& r : em_) {
            ++em[r.from];
            --em[r.to];
        }
        for (const Range& r : strong_) {
            ++strong[r.from];
            --strong[r.to];
        }
        std::vector<int> linkOf(count, -1);
        for (int i = 0; i < int(links_.size()); ++i)
            for (int node = links_[i].from; node < links_[i].to; ++node)
                if (linkOf[node] < 0)
                    linkOf[node] = i;
        StyledText result;
        int emDepth = 0, strongDepth = 0;
        for (int i = 0; i < count; ++i) {
            emDepth += em[i];
            strongDepth += strong[i];
            StyledText::Run run{nodes_[i].text, strongDepth > 0, emDepth > 0, nodes_[i].code, {}};
            if (linkOf[i] >= 0)
                run.link = QUrl(links_[linkOf[i]].destination, QUrl::TolerantMode);
            result.append(std::move(run));
        }
        return result;
    }

    const QString& s_;
    qsizetype pos_ = 0;
    QString pending_;
    std::vector<Node> nodes_;
    std::vector<Delimiter> delimiters_;
    int top_ = -1;
    std::vector<Bracket> brackets_;
    qsizetype activeFrom_ = 0; // brackets below this index can no longer open a link
    std::vector<Range> em_, strong_, links_;
    QMap<qsizetype, std::vector<qsizetype>> backticks_;
};

} // namespace

namespace InlineMarkdown {

StyledText parse(const QString& text) { return Parser(text).run(); }

} // namespace InlineMarkdown
