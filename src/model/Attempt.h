#pragma once

#include "model/SourceKind.h"

#include <QString>
#include <QUuid>

#include <optional>

// One update source tried during a check.
struct Attempt {
    class Outcome {
    public:
        enum class Kind { fail, skipped, pass };

        static Outcome fail(QString message) { return Outcome(Kind::fail, std::move(message)); }
        static Outcome skipped(QString reason) { return Outcome(Kind::skipped, std::move(reason)); }
        static Outcome pass() { return Outcome(Kind::pass, {}); }

        Kind kind() const { return kind_; }
        // The failure message or the skip reason; "" for pass.
        const QString& text() const { return text_; }

        bool operator==(const Outcome&) const = default;

    private:
        Outcome(Kind kind, QString text) : kind_(kind), text_(std::move(text)) {}
        Kind kind_;
        QString text_;
    };

    Attempt(SourceKind kind, std::optional<QString> url, std::optional<QString> found, Outcome outcome)
        : id(QUuid::createUuid()), kind(kind), url(std::move(url)), found(std::move(found)),
          outcome(std::move(outcome)) {}

    QUuid id;
    SourceKind kind;
    std::optional<QString> url;   // what was queried
    std::optional<QString> found; // the version the source reported
    Outcome outcome;
};
