#include "views/dashboard/HealthRingModel.h"

#include "store/Store.h"
#include "views/dashboard/DashboardTally.h"

#include <QCoreApplication>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace HealthRingModel {

QList<Slice> slices(const Store& store) {
    const auto& t = DashboardTally::of(store);
    QList<Slice> out{{t.upToDate, 0, Palette::Tint::green},
                     {t.updates, 0, Palette::Tint::accent},
                     {t.cantVerify, 0, Palette::Tint::orange},
                     {t.ignored, 0, Palette::Tint::gray}};
    const double total = std::max<double>(static_cast<double>(t.visible), 1);
    for (auto& slice : out)
        slice.fraction = slice.count / total;
    return out;
}

std::optional<Arc> arc(const QList<Slice>& slices, int index) {
    constexpr double gap = 0.006;
    if (index < 0 || index >= slices.size() || slices[index].fraction <= gap)
        return std::nullopt;
    double start = 0;
    for (int i = 0; i < index; ++i)
        start += slices[i].fraction;
    return Arc{start, start + slices[index].fraction - gap};
}

QList<double> fractions(const QList<Slice>& slices) {
    QList<double> out;
    for (const auto& slice : slices)
        out.append(slice.fraction);
    return out;
}

bool showsRefreshArc(const Store& store, bool reduceMotion) { return store.scanning() && !reduceMotion; }

Centre centre(const Store& store) {
    const auto& tally = DashboardTally::of(store);
    const int updates = tally.updates;
    if (store.scanning())
        return {Centre::Kind::progress, store.checked(), {}, Palette::Tint::primary, progressSize};
    if (updates >= 1)
        return {Centre::Kind::updates, updates, {}, Palette::Tint::accent, countSize};
    if (tally.cantVerify == 0)
        return {Centre::Kind::symbol, 0, u"checkmark.seal.fill"_s, Palette::Tint::green, countSize};
    return {Centre::Kind::symbol, 0, u"checkmark"_s, Palette::Tint::orange, countSize};
}

QString accessibilityLabel(const Store& store) {
    return QCoreApplication::translate("HealthRing", "%1 updates, %2 up to date, %3 can't be verified")
        .arg(DashboardTally::of(store).updates)
        .arg(DashboardTally::of(store).upToDate)
        .arg(DashboardTally::of(store).cantVerify);
}

} // namespace HealthRingModel
