#pragma once

#include <QString>

// The verdict shown for one row.
class Status {
public:
    enum class Kind { cantVerify, ignored, checking, update, upToDate };

    static Status cantVerify(QString reason) { return Status(Kind::cantVerify, std::move(reason)); }
    static Status ignored(QString reason) { return Status(Kind::ignored, std::move(reason)); }
    static Status checking() { return Status(Kind::checking, {}); }
    static Status update() { return Status(Kind::update, {}); }
    static Status upToDate() { return Status(Kind::upToDate, {}); }

    Kind kind() const { return kind_; }
    // The reason of cantVerify and ignored; "" otherwise.
    const QString& reason() const { return reason_; }

    bool operator==(const Status&) const = default;

private:
    Status(Kind kind, QString reason) : kind_(kind), reason_(std::move(reason)) {}
    Kind kind_;
    QString reason_;
};
