#include "library/CloudValue.h"

using namespace Qt::Literals::StringLiterals;

QJsonObject CloudValue::json() const {
    switch (payload_.index()) {
    case 0:
        return {{u"stringValue"_s, std::get<0>(payload_)}};
    case 1:
        return {{u"booleanValue"_s, std::get<1>(payload_)}};
    case 2: {
        const QDateTime whole = QDateTime::fromSecsSinceEpoch(std::get<2>(payload_).toSecsSinceEpoch(), Qt::UTC);
        return {{u"timestampValue"_s, whole.toString(Qt::ISODate)}};
    }
    default: {
        QJsonObject fields;
        const Map& members = std::get<3>(payload_);
        for (auto member = members.cbegin(); member != members.cend(); ++member)
            fields.insert(member.key(), member.value().json());
        return {{u"mapValue"_s, QJsonObject{{u"fields"_s, fields}}}};
    }
    }
}
