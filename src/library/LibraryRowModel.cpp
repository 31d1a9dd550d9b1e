#include "library/LibraryRowModel.h"

#include "library/LibraryScreenModel.h"
#include "runtime/OutsideText.h"
#include "store/LibraryItem.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QTextBoundaryFinder>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace LibraryRowModel {
namespace {

QString tr(const char* text) { return QCoreApplication::translate("LibraryRow", text); }

const QUrl appManagementPane(u"x-apple.systempreferences:com.apple.preference.security?Privacy_AppBundles"_s);

Status tag(const QString& title, const QString& symbol, Status::Tone tone) {
    Status s;
    s.kind = Status::Kind::tag;
    s.title = title;
    s.symbol = symbol;
    s.tone = tone;
    return s;
}

Status button(const QString& title, bool prominent, const QUrl& url, const QString& tooltip = {}) {
    Status s;
    s.kind = Status::Kind::button;
    s.title = title;
    s.prominent = prominent;
    s.url = url;
    s.tooltip = tooltip;
    return s;
}

Status progress(std::optional<double> value, const QString& title) {
    Status s;
    s.kind = Status::Kind::progress;
    s.value = value;
    s.title = title;
    return s;
}

} // namespace

bool busy(const InstallPhase& phase) { return phase.inProgress(); }

Status status(const LibraryItem& item, const QString& here) {
    const InstallPhase& phase = item.phase();
    switch (phase.kind()) {
    case InstallPhase::Kind::downloading:
        // Halves away from zero: 0.125 reads 13 %.
        return progress(phase.fraction(), QString::number(std::lround(phase.fraction() * 100)) + u"%"_s);
    case InstallPhase::Kind::queued:
        return tag(tr("Queued"), u"clock"_s, Status::Tone::secondary);
    case InstallPhase::Kind::verifying:
        return progress(std::nullopt, tr("Verifying"));
    case InstallPhase::Kind::installing:
        return progress(std::nullopt, tr("Installing"));
    case InstallPhase::Kind::done: {
        Status s;
        s.kind = Status::Kind::done;
        s.title = tr("Installed");
        return s;
    }
    case InstallPhase::Kind::blocked:
        return button(tr("Allow…"), false, appManagementPane);
    case InstallPhase::Kind::failed:
        return button(tr("Get It Yourself"), false, item.website(), OutsideText::clean(phase.message()));
    case InstallPhase::Kind::idle:
        break;
    }
    if (LibraryScreenModel::installedHere(item, here))
        return tag(tr("On this Mac"), u"checkmark"_s, Status::Tone::green);
    const auto& route = item.route();
    if (route && route->kind() == Route::Kind::store)
        return button(tr("Open in App Store"), true, route->url());
    if (route && route->kind() == Route::Kind::manual)
        return button(tr("Website"), true, route->url(), route->url().toString());
    return tag(tr("Not installed"), u"icloud.and.arrow.down"_s, Status::Tone::secondary);
}

Macs macs(const LibraryItem& item, const QList<Device>& devices) {
    Macs m;
    for (const QString& label : item.onDevices(devices))
        m.chips.append(OutsideText::clean(label));
    if (m.chips.isEmpty()) {
        QString absent = tr("Not on any Mac");
        if (const auto seen = item.lastSeen(devices))
            absent += u" · "_s + OutsideText::clean(*seen);
        m.absent = absent;
    }
    if (const auto& source = item.app().source)
        m.source = u"· "_s + OutsideText::clean(*source);
    return m;
}

QList<NoteLine> note(const LibraryItem& item, const QString& here) {
    const auto kind = item.phase().kind();
    const auto& text = item.note();
    if (text && (kind == InstallPhase::Kind::failed || kind == InstallPhase::Kind::blocked))
        return {NoteLine{OutsideText::clean(*text), true, true, 2}};
    const auto& route = item.route();
    if (route && route->kind() == Route::Kind::manual && !LibraryScreenModel::installedHere(item, here))
        return {NoteLine{OutsideText::clean(route->reason()), false, false, 2}};
    if (kind == InstallPhase::Kind::done && item.team()) {
        QList<NoteLine> lines{
            NoteLine{tr("Signed by developer team ") + OutsideText::isolated(*item.team()), false, false, 1}};
        if (text)
            lines.append(NoteLine{OutsideText::clean(*text), false, true, 2});
        return lines;
    }
    return {};
}

Actions actions(const LibraryItem& item) {
    Actions a;
    const auto& route = item.route();
    if (route && route->kind() == Route::Kind::store) {
        a.openTitle = tr("Open in App Store");
        a.openUrl = route->url();
    } else {
        a.openTitle = tr("Open Website");
        a.openUrl = item.website();
    }
    a.removeEnabled = !busy(item.phase());
    return a;
}

bool checkboxEnabled(const LibraryItem& item) {
    return !busy(item.phase()) && item.phase().kind() != InstallPhase::Kind::done;
}

bool tap(LibraryItem& item, bool selectable) {
    if (!selectable || busy(item.phase()))
        return false;
    item.setSelected(!item.selected());
    return true;
}

std::optional<QString> iconBundle(const Store& store, const LibraryItem& item) {
    const QString id = item.app().id;
    for (const auto& row : store.items())
        if (row->app().bundleID == id)
            return row->app().url;
    return std::nullopt;
}

QString initial(const QString& name) {
    if (name.isEmpty())
        return {};
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
    const qsizetype end = graphemes.toNextBoundary();
    return name.left(end > 0 ? end : 1);
}

QString selectName(const QString& name) { return tr("Select ") + OutsideText::isolated(name); }

QString moreName(const QString& name) { return tr("More for ") + OutsideText::isolated(name); }

} // namespace LibraryRowModel
