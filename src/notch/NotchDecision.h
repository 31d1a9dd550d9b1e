#pragma once

#include <QDateTime>
#include <QString>

// The answer of a notch decision: wait until a moment, skip for a reason, or show.
class NotchDecision {
public:
    enum class Kind { wait, skip, show };

    static NotchDecision wait(QDateTime until) { return NotchDecision(Kind::wait, std::move(until), {}); }
    static NotchDecision skip(QString reason) { return NotchDecision(Kind::skip, {}, std::move(reason)); }
    static NotchDecision show() { return NotchDecision(Kind::show, {}, {}); }

    Kind kind() const { return kind_; }
    // The moment of a wait; invalid otherwise.
    const QDateTime& until() const { return until_; }
    // The reason of a skip; "" otherwise.
    const QString& reason() const { return reason_; }

    bool operator==(const NotchDecision&) const = default;

private:
    NotchDecision(Kind kind, QDateTime until, QString reason)
        : kind_(kind), until_(std::move(until)), reason_(std::move(reason)) {}
    Kind kind_;
    QDateTime until_;
    QString reason_;
};
