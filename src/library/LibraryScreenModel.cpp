#include "library/LibraryScreenModel.h"

#include "runtime/OutsideText.h"
#include "store/LibraryItem.h"
#include "store/StoreCache.h"

#include <QCoreApplication>

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace LibraryScreenModel {
namespace {

QString tr(const char* text) { return QCoreApplication::translate("Library", text); }

// What the rules read of an entry, each observed field read once.
struct Facts {
    const LibraryApp& app;
    InstallPhase::Kind phase;
    std::optional<Route::Kind> route;

    explicit Facts(const LibraryItem& item)
        : app(item.app()), phase(item.phase().kind()),
          route(item.route() ? std::optional(item.route()->kind()) : std::nullopt) {}
};

bool installedOn(const LibraryApp& app, const QString& device) {
    const auto entry = app.devices.constFind(device);
    return entry != app.devices.constEnd() && entry->installed;
}

bool removedEverywhere(const LibraryApp& app) {
    return std::none_of(app.devices.cbegin(), app.devices.cend(), [](const auto& entry) { return entry.installed; });
}

bool needsYou(const Facts& f, bool here) {
    return f.phase == InstallPhase::Kind::failed || (f.route && *f.route != Route::Kind::install && !here);
}

bool keeps(LibraryTab tab, const Facts& f, const QString& here, const std::optional<QString>& device) {
    const bool installedHere = installedOn(f.app, here);
    const bool onMac = !device || installedOn(f.app, *device);
    switch (tab) {
    case LibraryTab::missing:
        return onMac && !installedHere && !needsYou(f, installedHere);
    case LibraryTab::all:
        return onMac;
    case LibraryTab::removed:
        return removedEverywhere(f.app) && (!device || f.app.devices.contains(*device));
    case LibraryTab::yours:
        return needsYou(f, installedHere);
    }
    return false;
}

} // namespace

bool installedHere(const LibraryItem& item, const QString& here) { return installedOn(item.app(), here); }

bool open(const LibraryItem& item, const QString& here) {
    if (installedHere(item, here))
        return false;
    switch (item.phase().kind()) {
    case InstallPhase::Kind::idle:
    case InstallPhase::Kind::failed:
    case InstallPhase::Kind::blocked:
        return true;
    default:
        return false;
    }
}

std::optional<QString> chosen(const QList<Device>& devices, const std::optional<QString>& device) {
    if (!device)
        return std::nullopt;
    const bool known = std::any_of(devices.begin(), devices.end(), [&](const Device& d) { return d.id == *device; });
    return known ? device : std::nullopt;
}

bool keeps(LibraryTab tab, const LibraryItem& item, const QString& here, const std::optional<QString>& device) {
    return keeps(tab, Facts(item), here, device);
}

bool counts(LibraryTab tab, const LibraryItem& item, const QString& here) {
    const Facts f(item);
    const bool installedHere = installedOn(f.app, here);
    switch (tab) {
    case LibraryTab::missing:
        return !installedHere && !needsYou(f, installedHere);
    case LibraryTab::all:
        return true;
    case LibraryTab::removed:
        return removedEverywhere(f.app);
    case LibraryTab::yours:
        return needsYou(f, installedHere);
    }
    return false;
}

namespace {

// The current tab's rows for one chosen Mac, kept until the library, an entry, the Macs or the
// tab change, so a keystroke only runs the search over them.
struct TabRows {
    LibraryTab tab = LibraryTab::missing;
    std::optional<QString> device;
    Store::LibraryRows rows;
};

const Store::LibraryRows& kept(const Store& store, const std::optional<QString>& device) {
    static StoreCache<TabRows> cache;
    const auto fill = [&](TabRows& kept) {
        const QString here = store.deviceID();
        kept.tab = store.libraryTab();
        kept.device = device;
        const std::optional<QString> mac = chosen(store.devices(), device);
        kept.rows.clear();
        for (const auto& item : store.library())
            if (keeps(kept.tab, Facts(*item), here, mac))
                kept.rows.append(item);
    };
    const auto stale = [&](const TabRows& kept) { return kept.device != device || kept.tab != store.libraryTab(); };
    return cache.get(store, fill, stale).rows;
}

// Each entry's searched fields lowered as the search lowers them (an absent one empty, which no
// query matches), kept until the library, an entry's app or the locale changes, so a keystroke
// lowers only the query.
struct Folds {
    QHash<const LibraryItem*, std::array<QString, 3>> fields;
    QLocale locale;
};

const Folds& folded(const Store& store) {
    static StoreCache<Folds> cache;
    const QLocale locale;
    const auto fill = [&](Folds& folds) {
        folds.locale = locale;
        folds.fields.clear();
        folds.fields.reserve(store.library().size());
        for (const auto& item : store.library()) {
            const LibraryApp& app = item->app();
            folds.fields.insert(item.get(), {locale.toLower(app.name), locale.toLower(app.id),
                                             app.source ? locale.toLower(*app.source) : QString()});
        }
    };
    return cache.get(store, fill, [&](const Folds& kept) { return kept.locale != locale; });
}

} // namespace

Store::LibraryRows rows(const Store& store, const std::optional<QString>& device) {
    const Store::LibraryRows& tab = kept(store, device);
    const QString& query = store.query();
    const QString trimmed = Store::trimmedQuery(query);
    if (trimmed.isEmpty())
        return tab;
    // The search's rule over the lowered fields: any one containing the lowered query.
    const Folds& lowered = folded(store);
    const QString needle = lowered.locale.toLower(trimmed);
    Store::LibraryRows found;
    for (const auto& item : tab) {
        const auto fields = lowered.fields.constFind(item.get());
        if (fields == lowered.fields.constEnd()) {
            const LibraryApp& app = item->app();
            if (Store::matches(query, {app.name, app.id, app.source}))
                found.append(item);
        } else if (std::any_of(fields->begin(), fields->end(), [&](const QString& f) { return f.contains(needle); })) {
            found.append(item);
        }
    }
    return found;
}

QString tabTitle(LibraryTab tab, int count) { return LibraryTabs::rawValue(tab) + u"  "_s + QString::number(count); }

namespace {

// The empty "Not on This Mac" tab: every app is here, or the ones that are not sit under "Get It
// Yourself" or on a Mac other than the chosen one.
Empty nothingMissing(const Store& store, const std::optional<QString>& device) {
    const QString here = store.deviceID();
    qsizetype lacking = 0, needYou = 0;
    for (const auto& item : store.library()) {
        const Facts f(*item);
        if (installedOn(f.app, here))
            continue;
        ++lacking;
        if (needsYou(f, false))
            ++needYou;
    }
    if (lacking == 0)
        return Empty{false, u"checkmark.icloud"_s, tr("Nothing missing"),
                     tr("Every app in your library is on this Mac.")};
    if (lacking > needYou && chosen(store.devices(), device))
        return Empty{false, u"checkmark.icloud"_s, tr("Nothing missing"),
                     tr("Every app on the chosen Mac is on this Mac too.")};
    return Empty{false, u"arrow.down.app"_s, tr("Nothing to install here"),
                 needYou == 1 ? tr("1 app this Mac lacks is waiting for you under Get It Yourself.")
                              : QString::number(needYou) +
                                    tr(" apps this Mac lacks are waiting for you under Get It Yourself.")};
}

} // namespace

Empty empty(const Store& store, const std::optional<QString>& device) {
    if (!store.query().isEmpty())
        return Empty{true, {}, {}, {}};
    if (!store.libraryListed())
        return store.syncError() ? Empty{false, u"exclamationmark.icloud"_s, tr("Your library isn't loaded"), {}}
                                 : Empty{false, u"icloud"_s, tr("Loading your library…"), {}};
    switch (store.libraryTab()) {
    case LibraryTab::missing:
        return nothingMissing(store, device);
    case LibraryTab::all:
        return Empty{false, u"icloud"_s, store.syncing() ? tr("Loading your library…") : tr("Your library is empty"),
                     tr("Apps appear here after Quenlark checks this Mac while you're signed in.")};
    case LibraryTab::removed:
        return Empty{false, u"tray"_s, tr("Nothing removed"),
                     tr("Apps you delete from every Mac stay here, so you can install them again later.")};
    case LibraryTab::yours:
        return Empty{false, u"hand.thumbsup"_s, tr("Nothing to do by hand"),
                     tr("App Store apps, and apps Quenlark can't find a verified download for, land here with a "
                        "button to their page.")};
    }
    return {};
}

bool ActionBar::selectsNone() const {
    return !open.isEmpty() && std::all_of(open.begin(), open.end(), [](const auto& item) { return item->selected(); });
}

namespace {

// The entries open here, each with whether a restore may install it, kept until the library, an
// entry or this Mac's id changes, so the bar over a search's rows reads only their ticks.
using Openness = QHash<const LibraryItem*, bool>;

const Openness& opened(const Store& store) {
    static StoreCache<Openness> cache;
    return cache.get(store, [&](Openness& installable) {
        const QString here = store.deviceID();
        Store::LibraryRows open;
        for (const auto& item : store.library())
            if (LibraryScreenModel::open(*item, here))
                open.append(item);
        installable.clear();
        installable.reserve(open.size());
        for (const auto& item : open)
            installable.insert(item.get(), false);
        for (const auto& item : store.installable(open))
            installable.insert(item.get(), true);
    });
}

} // namespace

ActionBar actionBar(const Store& store, const Store::LibraryRows& rows) {
    const Openness& installable = opened(store);
    ActionBar bar;
    for (const auto& item : rows) {
        const auto open = installable.constFind(item.get());
        if (open != installable.constEnd()) {
            bar.open.append(item);
            if (*open)
                bar.installable.append(item);
        }
        if (item->selected())
            bar.selected.append(item);
    }
    bar.selectTitle = bar.selectsNone() ? tr("Select None") : tr("Select All");
    bar.selectEnabled = !bar.open.isEmpty();
    const bool restoring = store.restoring();
    const auto chosenCount = bar.selected.size();
    if (restoring) {
        bar.status = tr("Installing one app at a time…");
    } else if (chosenCount == 0) {
        const auto n = bar.installable.size();
        bar.status = n == 0 ? tr("Nothing here to install")
                            : QString::number(n) + (n == 1 ? tr(" app") : tr(" apps")) + tr(" to put back on this Mac");
    } else {
        bar.status = QString::number(chosenCount) + tr(" selected");
    }
    bar.removeShown = chosenCount > 0;
    bar.removeEnabled = !restoring;
    bar.installTitle = chosenCount == 0 ? tr("Install All") : tr("Install ") + QString::number(chosenCount);
    bar.installEnabled = !restoring && (chosenCount > 0 || !bar.installable.isEmpty());
    return bar;
}

void select(const ActionBar& bar) {
    const bool tick = !bar.selectsNone();
    for (const auto& item : bar.open)
        item->setSelected(tick);
}

QString pickerTitle(const QList<Device>& devices, const std::optional<QString>& device, const QDateTime& now) {
    if (device) {
        const QHash<QString, QString> names = labels(devices, now);
        const auto label = names.constFind(*device);
        if (label != names.constEnd())
            return OutsideText::clean(*label);
    }
    return tr("Any Mac");
}

QList<MacChoice> pickerChoices(const QList<Device>& devices, const QString& here, const QDateTime& now) {
    const QHash<QString, QString> names = labels(devices, now);
    QList<MacChoice> choices;
    choices.reserve(devices.size());
    for (const Device& d : devices) {
        QString title = OutsideText::clean(names.value(d.id, d.name));
        if (d.id == here)
            title += tr(" (this Mac)");
        choices.append(MacChoice{d.id, title});
    }
    return choices;
}

} // namespace LibraryScreenModel
