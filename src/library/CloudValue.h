#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QMap>
#include <QString>

#include <variant>

class JsonText;

// One typed field value of a library document: a string, a bool, a point in time or a map of
// further values. It travels as the document database's typed-value JSON.
class CloudValue {
public:
    using Map = QMap<QString, CloudValue>;

    static CloudValue string(QString text) { return CloudValue(Payload(std::in_place_index<0>, std::move(text))); }
    static CloudValue boolean(bool value) { return CloudValue(Payload(std::in_place_index<1>, value)); }
    static CloudValue date(QDateTime at) { return CloudValue(Payload(std::in_place_index<2>, std::move(at))); }
    static CloudValue map(Map members) { return CloudValue(Payload(std::in_place_index<3>, std::move(members))); }

    // The text of a string value, else nothing.
    const QString* text() const { return std::get_if<0>(&payload_); }
    // The members of a map value, else nothing.
    const Map* members() const { return std::get_if<3>(&payload_); }

    // {"stringValue": …}, {"booleanValue": …}, {"timestampValue": whole seconds in UTC with "Z"}
    // or {"mapValue": {"fields": {…}}}.
    QJsonObject json() const;
    // The same as compact text.
    void write(JsonText& out) const;

    bool operator==(const CloudValue&) const = default;

private:
    using Payload = std::variant<QString, bool, QDateTime, Map>;
    explicit CloudValue(Payload payload) : payload_(std::move(payload)) {}
    Payload payload_;
};
