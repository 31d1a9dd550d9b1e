#include "views/kit/NumericTransition.h"

#include <algorithm>
#include <vector>

namespace NumericTransition {

namespace {

// A run of digits, a word, or one other character (a surrogate pair stays whole).
struct Token {
    qsizetype at, length;
    bool digits;
};

QList<Token> tokens(const QString& text) {
    QList<Token> found;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        qsizetype end = i + 1;
        if (c.isDigit())
            while (end < text.size() && text[end].isDigit())
                ++end;
        else if (c.isLetter())
            while (end < text.size() && text[end].isLetter())
                ++end;
        else if (c.isHighSurrogate() && end < text.size() && text[end].isLowSurrogate())
            ++end;
        found.append({i, end - i, c.isDigit()});
        i = end;
    }
    return found;
}

enum class Kind { keep, leave, enter };

struct Step {
    Kind kind;
    qsizetype from, to, length;
};

class Steps {
public:
    void keep(qsizetype from, qsizetype to, qsizetype length) {
        flush();
        add({Kind::keep, from, to, length});
    }
    // Goings and comings wait for the next kept piece, so that the goings come first.
    void leave(qsizetype from, qsizetype length) { leaving_.push_back({Kind::leave, from, -1, length}); }
    void enter(qsizetype to, qsizetype length) { entering_.push_back({Kind::enter, -1, to, length}); }

    std::vector<Step> done() {
        flush();
        return std::move(steps_);
    }

private:
    void flush() {
        for (const Step& step : leaving_)
            add(step);
        for (const Step& step : entering_)
            add(step);
        leaving_.clear();
        entering_.clear();
    }
    void add(const Step& step) {
        if (!steps_.empty()) {
            Step& last = steps_.back();
            const bool joinsFrom = step.kind == Kind::enter || last.from + last.length == step.from;
            const bool joinsTo = step.kind == Kind::leave || last.to + last.length == step.to;
            if (last.kind == step.kind && joinsFrom && joinsTo) {
                last.length += step.length;
                return;
            }
        }
        steps_.push_back(step);
    }

    std::vector<Step> steps_, leaving_, entering_;
};

// One number became another: the digits are lined up from the last one, and only those that
// differ (and the extra leading ones) move.
void roll(const QString& from, const Token& a, const QString& to, const Token& b, Steps& steps) {
    const qsizetype common = std::min(a.length, b.length);
    const qsizetype extraA = a.length - common, extraB = b.length - common;
    if (extraA > 0)
        steps.leave(a.at, extraA);
    if (extraB > 0)
        steps.enter(b.at, extraB);
    for (qsizetype k = 0; k < common; ++k) {
        const qsizetype i = a.at + extraA + k, j = b.at + extraB + k;
        if (from[i] == to[j]) {
            steps.keep(i, j, 1);
        } else {
            steps.leave(i, 1);
            steps.enter(j, 1);
        }
    }
}

} // namespace

QList<Piece> between(const QString& from, const QString& to) {
    const QList<Token> a = tokens(from), b = tokens(to);
    const auto text = [](const QString& s, const Token& t) { return QStringView(s).mid(t.at, t.length); };
    const auto same = [&](qsizetype i, qsizetype j) { return text(from, a[i]) == text(to, b[j]); };
    // The longest run of tokens the two share, in order: common[i][j] for a[..i) and b[..j).
    const auto n = a.size(), m = b.size();
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (qsizetype i = 1; i <= n; ++i)
        for (qsizetype j = 1; j <= m; ++j)
            common[i][j] = same(i - 1, j - 1) ? common[i - 1][j - 1] + 1 : std::max(common[i - 1][j], common[i][j - 1]);
    // Matched from the end, so that a count keeps the words after it ("3 left" into "1 failed ·
    // 2 left" rolls the 3 into the 2).
    std::vector<std::pair<qsizetype, qsizetype>> shared;
    for (qsizetype i = n, j = m; i > 0 && j > 0;) {
        if (same(i - 1, j - 1)) {
            shared.emplace_back(--i, --j);
        } else if (common[i - 1][j] >= common[i][j - 1]) {
            --i;
        } else {
            --j;
        }
    }
    std::reverse(shared.begin(), shared.end());
    shared.emplace_back(n, m);

    Steps steps;
    qsizetype i = 0, j = 0;
    for (const auto& [nextA, nextB] : shared) {
        // The numbers just ahead of what is shared again roll into each other; the rest trades places.
        const bool rolls = nextA > i && nextB > j && a[nextA - 1].digits && b[nextB - 1].digits;
        const qsizetype endA = rolls ? nextA - 1 : nextA, endB = rolls ? nextB - 1 : nextB;
        for (; i < endA; ++i)
            steps.leave(a[i].at, a[i].length);
        for (; j < endB; ++j)
            steps.enter(b[j].at, b[j].length);
        if (rolls)
            roll(from, a[i++], to, b[j++], steps);
        if (nextA < n) {
            steps.keep(a[i].at, b[j].at, a[i].length);
            ++i;
            ++j;
        }
    }

    QList<Piece> pieces;
    for (const Step& step : steps.done()) {
        const QString& source = step.kind == Kind::enter ? to : from;
        const qsizetype at = step.kind == Kind::enter ? step.to : step.from;
        pieces.append({source.mid(at, step.length), step.from, step.to});
    }
    return pieces;
}

} // namespace NumericTransition
