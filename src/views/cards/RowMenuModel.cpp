#include "views/cards/RowMenuModel.h"

#include "runtime/OutsideText.h"
#include "views/kit/Shown.h"

namespace RowMenuModel {

QList<Entry> entries(const RowFacts& row) {
    using K = RowAction::Kind;
    QList<Entry> list;
    const auto& release = row.release;
    const bool update = row.status.kind() == Status::Kind::update && release;
    if (update && release->kind.traits().opensStore)
        list.append({QStringLiteral("Open in App Store"), {K::openStore, {}}});
    else if (update && row.app.canInstall(release))
        list.append({QStringLiteral("Update to ") + Shown::offered(release, Shown::Place::sentence), {K::update, {}}});
    if (update)
        list.append({QStringLiteral("Skip Version ") + Shown::offered(release, Shown::Place::sentence),
                     {K::ignoreVersion, {}}});
    if (row.status.kind() == Status::Kind::ignored)
        list.append({QStringLiteral("Stop Ignoring"), {K::unignore, {}}});
    else
        list.append({QStringLiteral("Ignore ") + OutsideText::isolated(row.app.name), {K::ignore, {}}});
    list.append(Entry{});
    list.append({QStringLiteral("Check Again"), {K::check, {}}});
    list.append({QStringLiteral("Show in Finder"), {K::reveal, {}}});
    list.append(Entry{});
    list.append({QStringLiteral("Move to Trash…"), {K::remove, {}}, row.removable(), true});
    return list;
}

} // namespace RowMenuModel
