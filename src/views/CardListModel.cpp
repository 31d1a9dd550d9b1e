#include "views/CardListModel.h"

#include "model/AppItem.h"

#include <QCoreApplication>

#include <array>

namespace CardListModel {

QList<Section> sections(const Rows& shown, Filter filter) {
    if (shown.isEmpty())
        return {};
    const bool checking = std::any_of(shown.begin(), shown.end(),
                                      [](const auto& row) { return row->status().kind() == Status::Kind::checking; });
    if (filter != Filter::all || checking)
        return {Section{QString(), shown}};
    using K = Status::Kind;
    std::array<Section, 4> groups{
        Section{QCoreApplication::translate("CardList", "Updates Available"), {}},
        Section{QCoreApplication::translate("CardList", "Can't Verify"), {}},
        Section{QCoreApplication::translate("CardList", "Up to Date"), {}},
        Section{QCoreApplication::translate("CardList", "Ignored"), {}},
    };
    for (const auto& row : shown) {
        switch (row->status().kind()) {
        case K::update: groups[0].rows.append(row); break;
        case K::cantVerify: groups[1].rows.append(row); break;
        case K::upToDate: groups[2].rows.append(row); break;
        case K::ignored: groups[3].rows.append(row); break;
        case K::checking: break;
        }
    }
    QList<Section> result;
    for (auto& group : groups)
        if (!group.rows.isEmpty())
            result.append(std::move(group));
    return result;
}

std::optional<Empty> emptyState(Filter filter, const QStringList& folders) {
    auto tr = [](const char* text) { return QCoreApplication::translate("CardList", text); };
    switch (filter) {
    case Filter::all: return Empty{tr("No apps found"), folders.join(QStringLiteral(", "))};
    case Filter::updates: return Empty{tr("Nothing to update"), tr("Quenlark found no updates for your apps.")};
    case Filter::cantVerify:
        return Empty{tr("Nothing unverified"), tr("Every app has an update source Quenlark can read.")};
    case Filter::ignored: return Empty{tr("No ignored apps"), tr("Right-click an app to ignore it or skip one version.")};
    case Filter::library: return std::nullopt;
    }
    return std::nullopt;
}

} // namespace CardListModel
