#include "views/kit/NumericTransition.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// "text@from>to", with the missing end left empty: "9@0>" goes, "10@>0" comes in.
QString written(const QList<NumericTransition::Piece>& pieces) {
    QStringList parts;
    for (const auto& piece : pieces)
        parts.append(piece.text + u'@' + (piece.from < 0 ? QString() : QString::number(piece.from)) + u'>' +
                     (piece.to < 0 ? QString() : QString::number(piece.to)));
    return parts.join(u" | "_s);
}

} // namespace

TEST(NumericTransition, SharedTextStaysChangedDigitsRollFromTheLastDigitTheRestTradesPlaces) {
    const QList<std::tuple<QString, QString, QString>> cases{
        {u"3 updates ready"_s, u"3 updates ready"_s, u"3 updates ready@0>0"_s},
        {u""_s, u"1 update ready"_s, u"1 update ready@>0"_s},
        {u"Updating 1 of 3"_s, u"Updating 2 of 3"_s, u"Updating @0>0 | 1@9> | 2@>9 |  of 3@10>10"_s},
        // Counting down rolls the same way.
        {u"3 updates ready"_s, u"2 updates ready"_s, u"3@0> | 2@>0 |  updates ready@1>1"_s},
        // A number that grows a digit: the last digits line up, the text after it slides along.
        {u"9 updates ready"_s, u"10 updates ready"_s, u"9@0> | 10@>0 |  updates ready@1>2"_s},
        {u"10 updates ready"_s, u"11 updates ready"_s, u"1@0>0 | 0@1> | 1@>1 |  updates ready@2>2"_s},
        {u"All 100 updated"_s, u"All 99 updated"_s, u"All @0>0 | 100@4> | 99@>4 |  updated@7>6"_s},
        {u"109 left"_s, u"119 left"_s, u"1@0>0 | 0@1> | 1@>1 | 9 left@2>2"_s},
        {u"1 updated \u00b7 2 left"_s, u"2 updated \u00b7 1 left"_s,
         u"1@0> | 2@>0 |  updated \u00b7 @1>1 | 2@12> | 1@>12 |  left@13>13"_s},
        // Words that change go whole; shared words are matched from the end, so a count rolls
        // into the one before the same word, and a number apart from its old place trades.
        {u"12 left"_s, u"3 failed \u00b7 9 left"_s, u"12@0> | 3 failed \u00b7 9@>0 |  left@2>12"_s},
        {u"3 updates ready"_s, u"1 updated \u00b7 1 failed \u00b7 1 left"_s,
         u"3@0> | 1 updated \u00b7 1 failed \u00b7@>0 |  @1>22 | updates@2> | 1@>23 |  @9>24 | ready@10> | left@>25"_s},
        {u"Updated"_s, u"All 2 updated"_s, u"Updated@0> | All 2 updated@>0"_s},
        {u"1 update ready"_s, u""_s, u"1 update ready@0>"_s},
    };
    for (const auto& [from, to, expected] : cases)
        EXPECT_EQ(written(NumericTransition::between(from, to)).toStdString(), expected.toStdString())
            << from.toStdString() << " → " << to.toStdString();
}
