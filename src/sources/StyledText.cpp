#include "sources/StyledText.h"

StyledText StyledText::plain(const QString& text) {
    StyledText result;
    Run run;
    run.text = text;
    result.append(std::move(run));
    return result;
}

void StyledText::append(Run run) {
    if (run.text.isEmpty())
        return;
    if (!runs.isEmpty() && runs.last().sameStyle(run)) {
        runs.last().text += run.text;
        return;
    }
    runs.append(std::move(run));
}

QString StyledText::plainText() const {
    QString text;
    for (const Run& run : runs)
        text += run.text;
    return text;
}
