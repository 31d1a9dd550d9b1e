#include "account/AccountChip.h"

#include "account/AccountNudge.h"
#include "runtime/OutsideText.h"
#include "store/Store.h"

using namespace Qt::Literals::StringLiterals;

namespace AccountChip {

std::optional<Chip> choose(const Store& store, const Prefs& prefs, const QDateTime& now) {
    const auto& session = store.session();
    if (session && session->awaitingConfirmation())
        return Chip{Kind::confirm,
                    u"Confirm email"_s,
                    u"envelope.badge"_s,
                    true,
                    QColor(),
                    u"Confirm "_s + OutsideText::isolated(session->email) +
                        u" so your backup belongs to an inbox you own"_s};
    if (AccountNudge::wanted(store, prefs, now))
        return Chip{Kind::backup,
                    u"Back up"_s,
                    u"icloud.and.arrow.up"_s,
                    false,
                    QColor::fromRgbF(0.43f, 0.6f, 1.0f, 1.0f),
                    u"Sign in to back up your app list"_s};
    return std::nullopt;
}

void act(Store& store, Kind kind, const std::function<void()>& openApp) {
    if (kind == Kind::backup)
        store.setFilter(Filter::library);
    if (openApp)
        openApp();
}

} // namespace AccountChip
