#include "install/AppleScriptError.h"

#include <QRegularExpression>

AppleScriptError::AppleScriptError(std::optional<int> n, QString m)
    : number(n), message(std::move(m)), utf8_(message.toStdString()) {}

AppleScriptError AppleScriptError::fromStderr(const QString& text) {
    const QString trimmed = text.trimmed();
    static const QRegularExpression tail(QStringLiteral("\\((-?[0-9]+)\\)$"));
    const auto match = tail.match(trimmed);
    if (!match.hasMatch())
        return AppleScriptError(std::nullopt, trimmed.isEmpty() ? QStringLiteral("osascript failed") : trimmed);
    bool ok = false;
    const int value = match.captured(1).toInt(&ok);
    std::optional<int> number;
    if (ok)
        number = value;
    QString head = trimmed.left(match.capturedStart());
    while (!head.isEmpty() && (head.back() == u' ' || head.back() == u'\t'))
        head.chop(1);
    while (!head.isEmpty() && (head.front() == u' ' || head.front() == u'\t'))
        head.remove(0, 1);
    const QString marker = QStringLiteral("error: ");
    const qsizetype at = head.indexOf(marker);
    return AppleScriptError(number, at >= 0 ? head.mid(at + marker.size()) : head);
}
