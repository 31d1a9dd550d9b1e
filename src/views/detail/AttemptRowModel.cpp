#include "views/detail/AttemptRowModel.h"

#include "runtime/OutsideText.h"

namespace AttemptRowModel {

Row row(const Attempt& attempt) {
    Row result;
    result.source = SourceKinds::rawValue(attempt.kind);
    if (attempt.found)
        result.found = OutsideText::clean(*attempt.found);
    result.url = attempt.url;
    QString word;
    switch (attempt.outcome.kind()) {
    case Attempt::Outcome::Kind::fail:
        result.symbol = QStringLiteral("xmark.circle.fill");
        result.tint = Palette::Tint::red;
        result.line = attempt.outcome.text();
        word = QStringLiteral("fail");
        break;
    case Attempt::Outcome::Kind::skipped:
        result.symbol = QStringLiteral("minus.circle");
        result.tint = Palette::Tint::secondary;
        result.line = attempt.outcome.text();
        word = QStringLiteral("skipped");
        break;
    case Attempt::Outcome::Kind::pass:
        result.symbol = QStringLiteral("checkmark.circle.fill");
        result.tint = Palette::Tint::green;
        word = QStringLiteral("pass");
        break;
    }
    result.accessibility = result.source + QStringLiteral(", ") + word;
    if (attempt.found)
        result.accessibility += QStringLiteral(", found ") + OutsideText::isolated(*attempt.found);
    return result;
}

} // namespace AttemptRowModel
