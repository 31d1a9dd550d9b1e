#include "views/dashboard/FilterChipModel.h"

#include "store/Store.h"
#include "views/dashboard/DashboardTally.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace FilterChipModel {

const QList<Chip>& chips() {
    static const QList<Chip> table{
        {Filter::all, u"All Apps"_s, u"square.grid.2x2"_s, Palette::Tint::secondary},
        {Filter::updates, u"Updates"_s, u"arrow.down.circle"_s, Palette::Tint::accent},
        {Filter::cantVerify, u"Can't Verify"_s, u"exclamationmark.triangle"_s, Palette::Tint::orange},
        {Filter::ignored, u"Ignored"_s, u"eye.slash"_s, Palette::Tint::secondary},
        {Filter::library, u"Library"_s, u"icloud"_s, Palette::Tint::blue},
    };
    return table;
}

const Chip& chip(Filter filter) {
    for (const auto& c : chips())
        if (c.filter == filter)
            return c;
    return chips().front();
}

bool selected(const Store& store, Filter filter) { return store.filter() == filter; }

Palette::Tint symbolHue(const Chip& chip, bool selected) {
    return selected ? chip.selectedHue : Palette::Tint::secondary;
}

QString countText(const Store& store, Filter filter) {
    const auto& tally = DashboardTally::of(store);
    switch (filter) {
    case Filter::all:
        return QString::number(tally.visible);
    case Filter::updates:
        return QString::number(tally.updates);
    case Filter::cantVerify:
        return QString::number(tally.cantVerify);
    case Filter::ignored:
        return QString::number(tally.ignored);
    case Filter::library:
        break;
    }
    return QString::number(store.count(filter));
}

QString accessibilityLabel(const Store& store, Filter filter) {
    return accessibilityLabel(chip(filter), countText(store, filter));
}

QString accessibilityLabel(const Chip& chip, const QString& count) {
    return QCoreApplication::translate("FilterChips", "%1, %2 apps").arg(chip.title, count);
}

QString tourAnchor(Filter filter) { return filter == Filter::library ? u"library"_s : QString(); }

Motion::Animation selectionAnimation(bool reduceMotion) {
    if (reduceMotion)
        return {Motion::Animation::Kind::easeInOut, 0.15, 0, 0, 0};
    return {Motion::Animation::Kind::spring, 0, 0.35, 0.8, 0};
}

void choose(Store& store, Filter filter) { store.setFilter(filter); }

} // namespace FilterChipModel
