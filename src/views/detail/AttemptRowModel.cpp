#include "views/detail/AttemptRowModel.h"

namespace AttemptRowModel {

Row row(const Attempt& attempt) {
    Row result;
    result.source = SourceKinds::rawValue(attempt.kind);
    result.found = attempt.found;
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
        result.accessibility += QStringLiteral(", found ") + *attempt.found;
    return result;
}

} // namespace AttemptRowModel
