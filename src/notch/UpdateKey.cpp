#include "notch/UpdateKey.h"

namespace UpdateKey {

QString of(const QString& bundleID, const Release& release) {
    const QString offered = release.version ? *release.version : release.build ? *release.build : QStringLiteral("?");
    return bundleID + u'@' + offered;
}

QStringList pending(const QList<std::shared_ptr<AppItem>>& rows) {
    QStringList keys;
    for (const auto& row : rows)
        if (row->status().kind() == Status::Kind::update && row->release())
            keys.append(of(row->app().bundleID, *row->release()));
    return keys;
}

} // namespace UpdateKey
