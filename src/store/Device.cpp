#include "store/Device.h"

#include "store/DatePhrases.h"

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Lower case, whitespace runs as one space, none at the ends.
QString labelKey(const QString& text) { return text.toLower().simplified(); }

const QString separator = u" · "_s;

} // namespace

QHash<QString, QString> labels(const QList<Device>& devices, const QDateTime& now) {
    QHash<QString, QList<qsizetype>> groups;
    QList<QString> order;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        const QString key = labelKey(devices[i].name);
        if (!groups.contains(key))
            order.append(key);
        groups[key].append(i);
    }

    QList<QStringList> parts(devices.size());
    for (qsizetype i = 0; i < devices.size(); ++i)
        parts[i] = QStringList{devices[i].name};

    using Extra = std::function<QString(const Device&)>;
    const Extra extras[] = {
        [](const Device& d) -> QString { return d.model; },
        [&now](const Device& d) -> QString { return u"last seen "_s + DatePhrases::relative(d.lastSeen, now); },
        [](const Device& d) -> QString { return d.id.left(4); },
    };
    for (const QString& key : order) {
        const QList<qsizetype>& members = groups[key];
        if (members.size() < 2)
            continue;
        for (const Extra& extra : extras) {
            QHash<QString, int> counts;
            QList<QString> keys;
            for (qsizetype member : members) {
                keys.append(labelKey(parts[member].join(separator)));
                ++counts[keys.last()];
            }
            for (qsizetype m = 0; m < members.size(); ++m) {
                if (counts[keys[m]] < 2)
                    continue;
                const QString part = extra(devices[members[m]]);
                if (!part.isEmpty())
                    parts[members[m]].append(part);
            }
        }
    }

    QHash<QString, QString> result;
    for (qsizetype i = 0; i < devices.size(); ++i)
        result.insert(devices[i].id, parts[i].join(separator));
    return result;
}
