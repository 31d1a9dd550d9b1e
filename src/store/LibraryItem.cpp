#include "store/LibraryItem.h"

#include "runtime/Clock.h"
#include "store/DatePhrases.h"
#include "store/Restore.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

QUrl LibraryItem::website() const {
    const std::optional<Route>& route = route_.get();
    if (route && route->kind() == Route::Kind::manual)
        return route->url();
    std::optional<Release> first;
    if (route && route->kind() == Route::Kind::install && !route->releases().isEmpty())
        first = route->releases().first();
    return Restore::website(app_.get(), std::nullopt, first);
}

bool LibraryItem::removedEverywhere() const {
    const auto& entries = app().devices;
    return std::none_of(entries.cbegin(), entries.cend(), [](const LibraryApp::OnDevice& e) { return e.installed; });
}

std::optional<QString> LibraryItem::lastSeen(const QList<Device>& devices) const {
    const auto& entries = app().devices;
    if (entries.isEmpty())
        return std::nullopt;
    auto newest = entries.cbegin();
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry)
        if (entry->seen > newest->seen)
            newest = entry;
    if (newest->seen <= LibraryApp::distantPast())
        return std::nullopt;
    const QHash<QString, QString> named = labels(devices, Clock::shared().now());
    QString label = named.value(newest.key());
    if (!named.contains(newest.key())) {
        const auto known =
            std::find_if(devices.cbegin(), devices.cend(), [&](const Device& d) { return d.id == newest.key(); });
        label = known != devices.cend() ? known->name : u"a Mac you no longer use"_s;
    }
    return u"Last on "_s + label + u" · "_s + DatePhrases::abbreviated(newest->seen);
}

QStringList LibraryItem::onDevices(const QList<Device>& devices) const {
    const QHash<QString, QString> named = labels(devices, Clock::shared().now());
    QStringList result;
    const auto& entries = app().devices;
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry)
        if (entry->installed && named.contains(entry.key()))
            result.append(named.value(entry.key()));
    std::sort(result.begin(), result.end()); // plain comparison, capitals first
    return result;
}
