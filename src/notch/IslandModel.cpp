#include "notch/IslandModel.h"

#include "model/Launch.h"
#include "runtime/Clock.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"

#include <algorithm>

namespace {

bool running(const InstallPhase& phase) {
    using K = InstallPhase::Kind;
    const K kind = phase.kind();
    return kind == K::downloading || kind == K::queued || kind == K::verifying || kind == K::installing;
}

int countPhase(const Store::Rows& rows, InstallPhase::Kind kind) {
    return static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [kind](const auto& row) { return row->phase().kind() == kind; }));
}

} // namespace

IslandModel::IslandModel(std::shared_ptr<IslandState> state, Hooks hooks)
    : state_(std::move(state)), hooks_(std::move(hooks)) {}

IslandModel::~IslandModel() { token_.cancel(); }

const Store::Rows IslandModel::shown() const {
    const Store::Rows items = hooks_.items();
    Store::Rows rows;
    for (const QString& id : state_->ids()) {
        const auto it = std::find_if(items.begin(), items.end(), [&](const auto& row) { return row->id() == id; });
        if (it != items.end())
            rows.append(*it);
    }
    return rows;
}

Store::Rows IslandModel::installable() const {
    Store::Rows rows;
    for (const auto& row : shown()) {
        const auto kind = row->phase().kind();
        if (row->status().kind() == Status::Kind::update && row->app().canInstall(row->release()) &&
            !running(row->phase()) && kind != InstallPhase::Kind::done)
            rows.append(row);
    }
    return rows;
}

bool IslandModel::finished() const {
    const Store::Rows rows = shown();
    return !rows.isEmpty() && countPhase(rows, InstallPhase::Kind::done) == rows.size();
}

int IslandModel::done() const { return countPhase(shown(), InstallPhase::Kind::done); }
int IslandModel::failed() const { return countPhase(shown(), InstallPhase::Kind::failed); }
int IslandModel::left() const { return static_cast<int>(shown().size()) - done() - failed(); }

QString IslandModel::title() const {
    const int count = static_cast<int>(shown().size());
    if (finished())
        return count == 1 ? tr("Updated") : tr("All %1 updated").arg(count);
    const int done = this->done(), failed = this->failed(), left = this->left();
    if (done + failed > 0) {
        QStringList parts;
        if (done > 0)
            parts.append(tr("%1 updated").arg(done));
        if (failed > 0)
            parts.append(tr("%1 failed").arg(failed));
        if (left > 0)
            parts.append(tr("%1 left").arg(left));
        return parts.join(QStringLiteral(" \u00B7 "));
    }
    return count == 1 ? tr("1 update ready") : tr("%1 updates ready").arg(count);
}

QString IslandModel::subtitle() const {
    if (state_->preview())
        return tr("Tour preview: this is how updates arrive. The buttons work for real ones.");
    if (finished())
        return tr("Everything's on its newest version.");
    if (failed() >= 1)
        return tr("Failed updates left the app untouched. Open Quenlark to see why.");
    const int count = static_cast<int>(shown().size());
    if (count < 6)
        return tr("Found in the background. Update now, or later from Quenlark.");
    return tr("Found in the background. Scroll to see all %1.").arg(count);
}

QString IslandModel::accessibleName() const { return tr("Quenlark: %1 updates").arg(shown().size()); }

QString IslandModel::updateAllText() const {
    const qsizetype count = installable().size();
    return count == 0 ? tr("Update All") : tr("Update All  %1").arg(count);
}

bool IslandModel::updateAllEnabled() const { return !installable().isEmpty() && !hooks_.updatingAll(); }

double IslandModel::listHeight() const { return static_cast<double>(std::min<qsizetype>(shown().size(), 5)) * 52; }
bool IslandModel::listFades() const { return shown().size() >= 6; }

QList<IslandModel::MenuEntry> IslandModel::laterMenu() {
    return {{Later::inOneHour, tr("In 1 Hour")},
            {Later::tonight, tr("Tonight")},
            {Later::tomorrow, tr("Tomorrow")},
            {Later::nextWeek, tr("Next Week")},
            {std::nullopt, {}},
            {Later::skipTheseVersions, tr("Skip These Versions")},
            {Later::dontShowFromNotch, tr("Don't Show from the Notch")}};
}

QString IslandModel::question() { return tr("You've put these off a few times. Keep showing updates from the notch?"); }

double IslandModel::idleLimit() {
    if (const std::optional<QString> value = Launch::value(QStringLiteral("--notch-idle"))) {
        bool ok = false;
        const double limit = value->toDouble(&ok);
        if (ok)
            return limit;
    }
    return 30;
}

void IslandModel::foldIsland() { hooks_.fold(state_.get()); }

void IslandModel::dismiss() {
    if (live())
        foldIsland();
}

void IslandModel::later() {
    if (!live())
        return;
    QStringList keys;
    for (const auto& row : shown())
        if (row->release())
            keys.append(Store::updateKey(row->app().bundleID, *row->release()));
    if (hooks_.dismissed(keys))
        state_->setAskingToStop(true);
    else
        foldIsland();
}

void IslandModel::choose(Later entry) {
    if (!live())
        return;
    switch (entry) {
    case Later::inOneHour:
        hooks_.snooze(QStringLiteral("hour"));
        break;
    case Later::tonight:
        hooks_.snooze(QStringLiteral("tonight"));
        break;
    case Later::tomorrow:
        hooks_.snooze(QStringLiteral("tomorrow"));
        break;
    case Later::nextWeek:
        hooks_.snooze(QStringLiteral("week"));
        break;
    case Later::skipTheseVersions:
        for (const auto& row : shown())
            if (row->status().kind() == Status::Kind::update)
                hooks_.ignoreVersion(row);
        break;
    case Later::dontShowFromNotch:
        hooks_.neverFromNotch();
        break;
    }
    foldIsland();
}

void IslandModel::openApp() {
    if (live())
        hooks_.openApp();
}

void IslandModel::updateAll() {
    if (live() && updateAllEnabled())
        spawn(runUpdates(installable()), "island update all");
}

QCoro::Task<void> IslandModel::runUpdates(Store::Rows rows) { co_await hooks_.updateAll(std::move(rows)); }

void IslandModel::onlyMenuBar() {
    if (!live())
        return;
    hooks_.neverFromNotch();
    foldIsland();
}

void IslandModel::keepShowing() {
    if (live())
        foldIsland();
}

void IslandModel::escape() {
    if (!state_->askingToStop())
        later();
}

void IslandModel::setHovering(bool hovering) {
    state_->setHovering(hovering);
    state_->setLastTouch(Clock::shared().now());
}

void IslandModel::touch() { state_->setLastTouch(Clock::shared().now()); }

void IslandModel::start() {
    if (started_)
        return;
    started_ = true;
    wasFinished_ = finished();
    followFinished();
    spawn(idleLoop(token_, life_), "island idle");
}

void IslandModel::followFinished() {
    Observation::track([this] { (void)finished(); },
                       [this] {
                           const bool now = finished();
                           if (now && !wasFinished_)
                               spawn(foldWhenStillFinished(life_), "island finish");
                           wasFinished_ = now;
                           followFinished();
                       },
                       this);
}

QCoro::Task<void> IslandModel::foldWhenStillFinished(std::weak_ptr<int> life) {
    co_await Clock::shared().sleep(std::chrono::milliseconds(2500));
    if (!life.expired() && finished())
        foldIsland();
}

QCoro::Task<void> IslandModel::idleLoop(CancelToken token, std::weak_ptr<int> life) {
    while (!token.isCancelled()) {
        co_await Clock::shared().sleep(std::chrono::seconds(2), token);
        if (life.expired() || token.isCancelled())
            co_return;
        const Store::Rows rows = shown();
        if (std::any_of(rows.begin(), rows.end(), [](const auto& row) { return running(row->phase()); }))
            continue;
        if (hooks_.updatingAll() || state_->askingToStop() || state_->hovering())
            continue;
        const double idle = static_cast<double>(state_->lastTouch().msecsTo(Clock::shared().now())) / 1000;
        if (idle <= idleLimit())
            continue;
        foldIsland();
        co_return;
    }
}
