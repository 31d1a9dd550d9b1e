#include "views/HealthRingModel.h"

#include "store/Store.h"
#include "views/DashboardModel.h"

#include <QCoreApplication>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace HealthRingModel {

QList<Slice> slices(const Store& store) {
    const Store::Rows rows = store.visible();
    QList<Slice> out{{0, 0, Palette::Tint::green}, {0, 0, Palette::Tint::accent}, {0, 0, Palette::Tint::orange}, {0, 0, Palette::Tint::gray}};
    for (const auto& row : rows) {
        switch (row->status().kind()) {
        case Status::Kind::upToDate: ++out[0].count; break;
        case Status::Kind::update: ++out[1].count; break;
        case Status::Kind::cantVerify: ++out[2].count; break;
        case Status::Kind::ignored: ++out[3].count; break;
        case Status::Kind::checking: break;
        }
    }
    const double total = std::max<double>(static_cast<double>(rows.size()), 1);
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
    const int updates = store.count(Filter::updates);
    if (store.scanning())
        return {Centre::Kind::progress, store.checked(), {}, Palette::Tint::primary, 22};
    if (updates >= 1)
        return {Centre::Kind::updates, updates, {}, Palette::Tint::accent, 26};
    if (store.count(Filter::cantVerify) == 0)
        return {Centre::Kind::symbol, 0, u"checkmark.seal.fill"_s, Palette::Tint::green, 26};
    return {Centre::Kind::symbol, 0, u"checkmark"_s, Palette::Tint::orange, 26};
}

QString accessibilityLabel(const Store& store) {
    return QCoreApplication::translate("HealthRing", "%1 updates, %2 up to date, %3 can't be verified")
        .arg(store.count(Filter::updates))
        .arg(DashboardModel::upToDate(store))
        .arg(store.count(Filter::cantVerify));
}

} // namespace HealthRingModel
