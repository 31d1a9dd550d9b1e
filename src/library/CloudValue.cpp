#include "library/CloudValue.h"

#include "library/JsonText.h"

#include <QJsonDocument>

namespace {

// yyyy-MM-ddTHH:mm:ssZ of the whole second, as Qt's ISO date writes a UTC time; a sync writes
// the same moment thousands of times.
void timestamp(const QDateTime& at, JsonText& out) {
    const qint64 seconds = at.toSecsSinceEpoch();
    const qint64 day = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const qint64 inDay = seconds - day * 86400;
    const QDate date = QDate::fromJulianDay(day + 2440588); // 1970-01-01
    if (!at.isValid() || !date.isValid() || date.year() < 1 || date.year() > 9999) {
        const QDateTime whole = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
        out.string(whole.toString(Qt::ISODate));
        return;
    }
    char text[] = "\"0000-00-00T00:00:00Z\"";
    const auto put = [&text](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + i] = char('0' + value % 10);
    };
    int year = 0, month = 0, dayOfMonth = 0;
    date.getDate(&year, &month, &dayOfMonth);
    put(1, year, 4);
    put(6, month, 2);
    put(9, dayOfMonth, 2);
    put(12, int(inDay / 3600), 2);
    put(15, int(inDay / 60 % 60), 2);
    put(18, int(inDay % 60), 2);
    out.raw(text);
}

} // namespace

QJsonObject CloudValue::json() const {
    JsonText out;
    write(out);
    return QJsonDocument::fromJson(out.take()).object();
}

void CloudValue::write(JsonText& out) const {
    switch (payload_.index()) {
    case 0:
        out.raw("{\"stringValue\":").string(std::get<0>(payload_)).raw('}');
        return;
    case 1:
        if (std::get<1>(payload_))
            out.raw("{\"booleanValue\":true}");
        else
            out.raw("{\"booleanValue\":false}");
        return;
    case 2:
        out.raw("{\"timestampValue\":");
        timestamp(std::get<2>(payload_), out);
        out.raw('}');
        return;
    default:
        out.raw("{\"mapValue\":{\"fields\":{");
        const Map& members = std::get<3>(payload_);
        for (auto member = members.cbegin(); member != members.cend(); ++member) {
            if (member != members.cbegin())
                out.raw(',');
            out.key(member.key());
            member.value().write(out);
        }
        out.raw("}}}");
    }
}
