#include "store/Store.h"

#include "model/Prefs.h"
#include "runtime/MainThread.h"

#include <QLocale>

namespace {

bool belongs(const AppItem& row, Filter filter) {
    switch (filter) {
    case Filter::all:
        return true;
    case Filter::updates:
        return row.status().kind() == Status::Kind::update;
    case Filter::cantVerify:
        return row.status().kind() == Status::Kind::cantVerify;
    case Filter::ignored:
        return row.status().kind() == Status::Kind::ignored;
    case Filter::library:
        return false;
    }
    return false;
}

// The first row of an id wins, as a search from the top would find it.
void index(QHash<QString, std::shared_ptr<AppItem>>& byId, const Store::Rows& rows) {
    for (const auto& row : rows)
        if (!byId.contains(row->id()))
            byId.insert(row->id(), row);
}

// Spaces and tabs, not line breaks.
bool isBlank(QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; }

} // namespace

void Store::replaceItems(Rows rows) {
    rowsById_.clear();
    index(rowsById_, rows);
    items_.set(std::move(rows));
}

void Store::appendItems(const Rows& batch) {
    index(rowsById_, batch);
    items_.mutate([&batch](Rows& rows) { rows.append(batch); });
}

const Store::Rows Store::visible() const {
    QL_ASSERT_MAIN_THREAD();
    const Rows& rows = items_.get();
    if (!hidesAppStore())
        return rows;
    Rows shown;
    for (const auto& row : rows)
        if (!row->app().isAppStore)
            shown.append(row);
    return shown;
}

bool Store::hidesAppStore() const { return prefs_.hideAppStore(); }

Store::Rows Store::installable() const {
    Rows rows;
    for (const auto& row : visible())
        if (installs(*row))
            rows.append(row);
    return rows;
}

bool Store::installs(const AppItem& row) {
    return row.status().kind() == Status::Kind::update && row.app().canInstall(row.release()) &&
           !row.phase().inProgress();
}

int Store::count(Filter filter) const {
    if (filter == Filter::library)
        return static_cast<int>(library_.get().size());
    int total = 0;
    for (const auto& row : visible())
        if (belongs(*row, filter))
            ++total;
    return total;
}

const Store::Rows Store::shown(Filter filter) const {
    const QString& text = query_.get();
    // A blank query matches every row; the rows' fields need not be read then.
    const bool everything = trimmedQuery(text).isEmpty();
    Rows rows;
    for (const auto& row : visible()) {
        if (!belongs(*row, filter))
            continue;
        if (everything) {
            rows.append(row);
            continue;
        }
        const auto& release = row->release();
        const std::optional<QString> source =
            release ? std::optional(SourceKinds::rawValue(release->kind)) : std::nullopt;
        const InstalledApp& app = row->app();
        if (matches(text, {app.name, app.bundleID, source}))
            rows.append(row);
    }
    return rows;
}

QString Store::trimmedQuery(const QString& query) {
    qsizetype begin = 0;
    qsizetype end = query.size();
    while (begin < end && isBlank(query.at(begin)))
        ++begin;
    while (end > begin && isBlank(query.at(end - 1)))
        --end;
    return query.mid(begin, end - begin);
}

bool Store::matches(const QString& query, std::initializer_list<std::optional<QString>> fields) {
    const QString trimmed = trimmedQuery(query);
    if (trimmed.isEmpty())
        return true;
    const QLocale locale;
    const QString needle = locale.toLower(trimmed);
    for (const auto& field : fields)
        if (field && locale.toLower(*field).contains(needle))
            return true;
    return false;
}

Store::LibraryRows Store::installable(const LibraryRows& items) const {
    const QString device = c_.deviceID();
    LibraryRows rows;
    for (const auto& item : items) {
        const auto& devices = item->app().devices;
        const auto here = devices.constFind(device);
        if (here != devices.constEnd() && here->installed)
            continue;
        const InstallPhase& phase = item->phase();
        if (phase.inProgress() || phase.kind() == InstallPhase::Kind::done)
            continue;
        if (item->route() && item->route()->kind() != Route::Kind::install)
            continue;
        rows.append(item);
    }
    return rows;
}
