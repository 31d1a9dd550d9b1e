#include "views/cards/CardListModel.h"

#include "views/cards/RowCommands.h"

#include <QCoreApplication>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
QString tr(const char* text) { return QCoreApplication::translate("CardList", text); }

void toggleExpanded(Store& store, const QString& id) {
    store.setExpanded(store.expanded() == id ? std::nullopt : std::optional(id));
}
} // namespace

namespace CardListModel {

QList<Section> sections(const Store& store) {
    const Store::Rows rows = store.shown(store.filter());
    const bool checking = std::any_of(rows.begin(), rows.end(),
                                      [](const auto& row) { return row->status().kind() == Status::Kind::checking; });
    if (store.filter() != Filter::all || checking) {
        if (rows.isEmpty())
            return {};
        return {Section{QString(), rows}};
    }
    struct Group {
        Status::Kind kind;
        QString title;
    };
    const Group groups[] = {{Status::Kind::update, u"Updates Available"_s},
                            {Status::Kind::cantVerify, u"Can't Verify"_s},
                            {Status::Kind::upToDate, u"Up to Date"_s},
                            {Status::Kind::ignored, u"Ignored"_s}};
    // One pass reading each row's status once: every read of a row registers with the tracking.
    QList<Section> out;
    for (const auto& group : groups)
        out.append(Section{group.title, {}});
    for (const auto& row : rows) {
        const Status::Kind kind = row->status().kind();
        for (qsizetype i = 0; i < out.size(); ++i)
            if (groups[i].kind == kind)
                out[i].rows.append(row);
    }
    out.removeIf([](const Section& section) { return section.rows.isEmpty(); });
    return out;
}

Store::Rows flatten(const QList<Section>& sections) {
    Store::Rows rows;
    for (const auto& section : sections)
        rows.append(section.rows);
    return rows;
}

std::optional<QString> firstRow(const QList<Section>& sections) {
    if (sections.isEmpty() || sections.front().rows.isEmpty())
        return std::nullopt;
    return sections.front().rows.front()->id();
}

std::optional<EmptyState> emptyState(const Store& store, const QList<Section>& sections) {
    if (!sections.isEmpty() || store.scanning())
        return std::nullopt;
    if (!store.query().isEmpty())
        return EmptyState{true, {}, {}, {}};
    switch (store.filter()) {
    case Filter::all:
        return EmptyState{false, tr("No apps found"), u"square.grid.2x2"_s, store.folders().join(u", "_s)};
    case Filter::updates:
        return EmptyState{false, tr("Nothing to update"), u"checkmark.seal"_s,
                          tr("Quenlark found no updates for your apps.")};
    case Filter::cantVerify:
        return EmptyState{false, tr("Nothing unverified"), u"checkmark.shield"_s,
                          tr("Every app has an update source Quenlark can read.")};
    case Filter::ignored:
        return EmptyState{false, tr("No ignored apps"), u"eye"_s,
                          tr("Right-click an app to ignore it or skip one version.")};
    case Filter::library:
        break;
    }
    return std::nullopt;
}

std::optional<QString> move(Store& store, const QList<Section>& sections, int step) {
    const Store::Rows rows = flatten(sections);
    if (rows.isEmpty())
        return std::nullopt;
    const auto last = rows.size() - 1;
    const auto found =
        std::find_if(rows.begin(), rows.end(), [&](const auto& row) { return store.selection() == row->id(); });
    qsizetype target = 0;
    if (found != rows.end())
        target = std::clamp<qsizetype>((found - rows.begin()) + step, 0, last);
    else
        target = step <= 0 ? last : 0;
    const QString id = rows[target]->id();
    store.setSelection(id);
    return id;
}

void toggleSelected(Store& store) {
    if (const auto selection = store.selection())
        toggleExpanded(store, *selection);
}

void toggle(Store& store, const QString& id) {
    store.setSelection(id);
    toggleExpanded(store, id);
}

bool requestUninstall(Store& store, bool command) {
    if (!command || !store.selection())
        return false;
    const auto& rows = store.items();
    const auto found =
        std::find_if(rows.begin(), rows.end(), [&](const auto& row) { return row->id() == *store.selection(); });
    if (found == rows.end())
        return false;
    // The same rule as the row menu's removal: never protected apps, never mid-update.
    RowCommands::perform(store, *found, RowAction{RowAction::Kind::remove, std::nullopt});
    return store.removing() == *found;
}

} // namespace CardListModel
