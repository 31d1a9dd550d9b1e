#include "views/CardKeys.h"

#include <gtest/gtest.h>

using CardKeys::Key;

namespace {
const QString a = QStringLiteral("/Applications/A.app");
const QString b = QStringLiteral("/Applications/B.app");
const QString c = QStringLiteral("/Applications/C.app");
const QString hidden = QStringLiteral("/Applications/Hidden.app");
const std::nullopt_t none = std::nullopt;
} // namespace

TEST(CardKeys, DecisionTable) {
    struct Case {
        const char* what;
        CardKeys::Input in;
        CardKeys::Outcome out;
    };
    const QStringList abc{a, b, c};
    const Case cases[] = {
        {"down with nothing selected takes the first", {Key::down, false, abc, none, none, false}, {true, a, none, false}},
        {"up with nothing selected takes the last", {Key::up, false, abc, none, none, false}, {true, c, none, false}},
        {"down moves by one", {Key::down, false, abc, a, none, false}, {true, b, none, false}},
        {"up moves by one", {Key::up, false, abc, b, none, false}, {true, a, none, false}},
        {"down stops at the last", {Key::down, false, abc, c, none, false}, {true, c, none, false}},
        {"up stops at the first", {Key::up, false, abc, a, none, false}, {true, a, none, false}},
        {"down from a hidden row takes the first", {Key::down, false, abc, hidden, none, false}, {true, a, none, false}},
        {"up from a hidden row takes the last", {Key::up, false, abc, hidden, none, false}, {true, c, none, false}},
        {"arrows on an empty list change nothing", {Key::down, false, {}, hidden, b, false}, {true, hidden, b, false}},
        {"arrows leave the open card alone", {Key::down, false, abc, a, a, false}, {true, b, a, false}},
        {"space opens the selected card", {Key::space, false, abc, b, none, false}, {true, b, b, false}},
        {"return closes it again", {Key::enter, false, abc, b, b, false}, {true, b, none, false}},
        {"return switches the open card", {Key::enter, false, abc, b, a, false}, {true, b, b, false}},
        {"space on a hidden selection still opens it", {Key::space, false, abc, hidden, none, false},
         {true, hidden, hidden, false}},
        {"space with no selection opens nothing", {Key::space, false, abc, none, a, false}, {true, none, a, false}},
        {"backspace alone is ignored", {Key::backspace, false, abc, b, none, true}, {false, b, none, false}},
        {"ctrl+backspace asks to remove", {Key::backspace, true, abc, b, none, true}, {true, b, none, true}},
        {"ctrl+backspace on a hidden row still asks", {Key::backspace, true, abc, hidden, none, true},
         {true, hidden, none, true}},
        {"ctrl+backspace on a protected row is ignored", {Key::backspace, true, abc, b, none, false},
         {false, b, none, false}},
        {"ctrl+backspace with no selection is ignored", {Key::backspace, true, abc, none, none, true},
         {false, none, none, false}},
        {"other keys are not the list's", {Key::other, true, abc, a, a, true}, {false, a, a, false}},
    };
    for (const auto& k : cases)
        EXPECT_EQ(CardKeys::decide(k.in), k.out) << k.what;
}
