#include "notch/NotchScheduler.h"

#include "model/Launch.h"
#include "model/Prefs.h"
#include "notch/NotchSchedule.h"
#include "platform/desktop/SessionWake.h"
#include "runtime/Clock.h"
#include "runtime/MainThread.h"
#include "runtime/Spawn.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

constexpr double minimumWait = 60;
constexpr double busyRetry = 60;

// "--notch-delay" as seconds, when it reads as a number.
std::optional<double> notchDelay() {
    const auto text = Launch::value(QStringLiteral("--notch-delay"));
    if (!text)
        return std::nullopt;
    bool ok = false;
    const double seconds = text->toDouble(&ok);
    if (!ok || !std::isfinite(seconds))
        return std::nullopt;
    return seconds;
}

} // namespace

NotchScheduler::NotchScheduler(Prefs& prefs, NotchDesktop& desktop, SessionWake& wake, Rows rows, ShowIsland show)
    : prefs_(prefs), desktop_(desktop), wake_(wake), rows_(std::move(rows)), show_(std::move(show)) {}

NotchScheduler::~NotchScheduler() {
    if (pending_)
        pending_->cancel();
}

double NotchScheduler::delay(NotchTrigger trigger) {
    switch (trigger) {
    case NotchTrigger::login:
        return 120;
    case NotchTrigger::wake:
        return 30;
    case NotchTrigger::check:
    case NotchTrigger::resume:
    case NotchTrigger::manual:
        return 0;
    }
    return 0;
}

void NotchScheduler::start() {
    QL_ASSERT_MAIN_THREAD();
    if (started_)
        return;
    started_ = true;
    connect(&wake_, &SessionWake::woke, this, guarded([this] { request(NotchTrigger::wake); }, "wake"));
    wake_.listen();
}

void NotchScheduler::request(NotchTrigger trigger) {
    QL_ASSERT_MAIN_THREAD();
    const QStringList keys = rows_.pendingKeys();
    const double wait = delay(trigger);
    const QDateTime now = Clock::shared().now();
    const QDateTime at = now.addMSecs(std::llround(wait * 1000));
    const NotchMemory memory = prefs_.notchMemory();
    std::optional<NotchSchedule::QuietHours> quiet;
    if (prefs_.quietHours())
        quiet = NotchSchedule::QuietHours{prefs_.quietFrom(), prefs_.quietTo()};

    const NotchDecision decision = NotchSchedule::decide(trigger, keys, memory, prefs_.notchMode(), quiet, at,
                                                         Clock::shared().timeZone(), appInUse());
    switch (decision.kind()) {
    case NotchDecision::Kind::wait: {
        const double until = static_cast<double>(now.msecsTo(decision.until())) / 1000.0;
        const bool snoozed = memory.snoozedUntil && *memory.snoozedUntil > at;
        schedule(std::max(until, minimumWait), snoozed ? NotchTrigger::resume : trigger, false);
        break;
    }
    case NotchDecision::Kind::skip:
        // The user has seen these updates in the open application already.
        if (decision.reason() == NotchSchedule::inUseReason())
            countAsShown(keys);
        break;
    case NotchDecision::Kind::show:
        schedule(notchDelay().value_or(wait), NotchTrigger::manual, true);
        break;
    }
}

void NotchScheduler::schedule(double seconds, NotchTrigger trigger, bool respectBusy) {
    if (pending_)
        pending_->cancel();
    const CancelToken token;
    pending_ = token;
    spawn(run(seconds, trigger, respectBusy, token), "notch schedule");
}

QCoro::Task<void> NotchScheduler::run(double seconds, NotchTrigger trigger, bool respectBusy, CancelToken token) {
    co_await Clock::sleepSeconds(seconds, token); // a sleep cut short is no failure
    if (token.isCancelled())
        co_return;
    if (trigger != NotchTrigger::manual) {
        request(trigger);
        co_return;
    }
    if (!respectBusy) {
        show_(false);
        co_return;
    }
    while (fullScreenAppInFront()) {
        co_await Clock::sleepSeconds(busyRetry, token);
        if (token.isCancelled())
            co_return;
    }
    if (appInUse()) {
        countAsShown(rows_.pendingKeys());
        co_return;
    }
    show_(true); // the island records its own showing
}

void NotchScheduler::countAsShown(const QStringList& keys) {
    NotchMemory memory = prefs_.notchMemory();
    memory.lastShown = Clock::shared().now();
    memory.lastShownKeys = keys;
    prefs_.setNotchMemory(std::move(memory));
}

void NotchScheduler::snooze(const QString& choice) {
    QL_ASSERT_MAIN_THREAD();
    const QDateTime now = Clock::shared().now();
    NotchMemory memory = prefs_.notchMemory();
    const QDateTime end = NotchSchedule::snooze(choice, now, Clock::shared().timeZone());
    memory.snoozedUntil = end;
    prefs_.setNotchMemory(std::move(memory));
    schedule(static_cast<double>(now.msecsTo(end)) / 1000.0, NotchTrigger::resume, false);
}

bool NotchScheduler::dismissed(const QStringList& keys) {
    QL_ASSERT_MAIN_THREAD();
    NotchMemory memory = prefs_.notchMemory();
    const bool same = QSet<QString>(keys.begin(), keys.end()) ==
                      QSet<QString>(memory.dismissedKeys.begin(), memory.dismissedKeys.end());
    memory.dismissals = same ? memory.dismissals + 1 : 1;
    memory.dismissedKeys = keys;
    bool ask = false;
    if (memory.dismissals >= 3 && !memory.askedToStop) {
        memory.askedToStop = true;
        ask = true;
    }
    prefs_.setNotchMemory(std::move(memory));
    return ask;
}

bool NotchScheduler::appInUse() const {
    return inUse(rows_.touring(), desktop_.ownWindows(), desktop_.applicationActive());
}

bool NotchScheduler::inUse(bool touring, const QList<NotchDesktop::Window>& windows, bool active) {
    if (touring)
        return true;
    bool any = false;
    for (const auto& window : windows) {
        if (!window.visible || window.minimised || !window.normalLevel || window.title.isEmpty())
            continue;
        if (window.title == QLatin1String("Quenlark") || window.title == QLatin1String("Welcome to Quenlark"))
            return true;
        any = true;
    }
    return any && active;
}
