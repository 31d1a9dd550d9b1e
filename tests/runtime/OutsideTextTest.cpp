#include "runtime/OutsideText.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using OutsideText::Lines;

namespace {
const QString ellipsis(QChar(0x2026));
}

TEST(OutsideText, CleanDropsWhatReordersOrBreaksAndCutsOnAGraphemeBoundary) {
    struct Case {
        const char* what;
        QString text;
        Lines lines;
        qsizetype bound;
        QString expected;
    };
    const QString a299(299, u'a');
    const Case cases[] = {
        {"an override in a name", u"Invoice\u202Efdp.app"_s, Lines::one, 300, u"Invoicefdp.app"_s},
        {"every embedding, override and isolate", u"\u202Aa\u202Bb\u202Cc\u202Dd\u202Ee\u2066f\u2067g\u2068h\u2069i"_s,
         Lines::one, 300, u"abcdefghi"_s},
        {"marks and shaping controls", u"\u200Ex\u200Fy\u061Cz\u206A\u206Fw\uFFF9v\uFFFB"_s, Lines::one, 300,
         u"xyzwv"_s},
        {"C0, DEL and C1 controls", u"1\u0000.\u001B[31m2\u0007\u007F\u009B.3"_s, Lines::one, 300, u"1.[31m2.3"_s},
        {"joiners that spell words and emoji stay", u"می\u200Cخواهم \U0001F468\u200D\U0001F469\u200D\U0001F467"_s,
         Lines::one, 300, u"می\u200Cخواهم \U0001F468\u200D\U0001F469\u200D\U0001F467"_s},
        {"line breaks in a name", u"\nMy\r\nApp\t\u2028 2\n"_s, Lines::one, 300, u"My App 2"_s},
        {"line breaks in notes", u"- one\r\n- two\r\tthree\u2028four\u0085five\u0000"_s, Lines::many, 300,
         u"- one\n- two\n\tthree\nfour\nfive"_s},
        {"a stray surrogate", u"a"_s + QChar(0xD800) + u"b"_s + QChar(0xDC00), Lines::one, 300, u"a\uFFFDb\uFFFD"_s},
        {"exactly at the bound", a299 + u"b"_s, Lines::one, 300, a299 + u"b"_s},
        {"controls do not count toward the bound", a299 + u"\u202Eb"_s, Lines::one, 300, a299 + u"b"_s},
        {"a 10 KB message", QString(10240, u'x'), Lines::one, OutsideText::shortBound,
         QString(OutsideText::shortBound, u'x') + ellipsis},
        {"a combining mark at the cut", a299 + u"e\u0301z"_s, Lines::one, 300, a299 + ellipsis},
        {"a character outside the BMP at the cut", a299 + u"\U0001F600"_s, Lines::one, 300, a299 + ellipsis},
        {"one grapheme longer than the bound", u"e"_s + QString(1000, QChar(0x0301)), Lines::one, 300, ellipsis},
        {"long notes", QString(30000, u'n'), Lines::many, OutsideText::notesBound,
         QString(OutsideText::notesBound, u'n') + ellipsis},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OutsideText::clean(c.text, c.lines, c.bound), c.expected) << c.what;
}

TEST(OutsideText, IsolatedWrapsTheCleanTextSoItCannotCloseTheIsolateEarly) {
    EXPECT_EQ(OutsideText::isolated(u"\u2069\u202Eevil"_s), u"\u2068evil\u2069"_s);
    EXPECT_EQ(OutsideText::isolated(u"גרסה 2"_s), u"\u2068גרסה 2\u2069"_s);
    const QString long_ = OutsideText::isolated(QString(5000, u'm'));
    EXPECT_EQ(long_.size(), OutsideText::shortBound + 3);
    EXPECT_TRUE(long_.endsWith(ellipsis + QChar(0x2069)));
}
